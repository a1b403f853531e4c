<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
<context>
    <name>AboutDialog</name>
    <message>
        <source>关于 QUILLBY</source>
        <translation>Über QUILLBY</translation>
    </message>
    <message>
        <source>QUILLBY Version 1.0</source>
        <translation>QUILLBY Version 1.0</translation>
    </message>
    <message>
        <source>A nodding friend for your desk.</source>
        <translation>Ein nickender Freund für deinen Schreibtisch.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Quillby</source>
        <translation>Quillby</translation>
    </message>
</context>
<context>
    <name>Artwork</name>
    <message>
        <source>ATTENTION MODE</source>
        <translation>AUFPASS-MODUS</translation>
    </message>
    <message>
        <source>Age:</source>
        <translation>Alter:</translation>
    </message>
    <message>
        <source>Alarm song</source>
        <translation>Weckerlied</translation>
    </message>
    <message>
        <source>Brithday:</source>
        <translation>Geburtstag:</translation>
    </message>
    <message>
        <source>Delete key</source>
        <translation>Entf-Taste</translation>
    </message>
    <message>
        <source>Don&apos;t Move!!</source>
        <translation>Nicht bewegen!!</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Ende</translation>
    </message>
    <message>
        <source>Enter key</source>
        <translation>Eingabetaste</translation>
    </message>
    <message>
        <source>F</source>
        <translation>W</translation>
    </message>
    <message>
        <source>Gender:</source>
        <translation>Geschlecht:</translation>
    </message>
    <message>
        <source>Guard Mode</source>
        <translation>Wachmodus</translation>
    </message>
    <message>
        <source>Guard alert</source>
        <translation>Wachalarm</translation>
    </message>
    <message>
        <source>Hey!!</source>
        <translation>Hey!!</translation>
    </message>
    <message>
        <source>Hobbies and Interests:</source>
        <translation>Hobbys und Interessen:</translation>
    </message>
    <message>
        <source>Hometown:</source>
        <translation>Heimatort:</translation>
    </message>
    <message>
        <source>Hover</source>
        <translation>Mouseover</translation>
    </message>
    <message>
        <source>LEAVE MODE</source>
        <translation>ABWESEND-MODUS</translation>
    </message>
    <message>
        <source>Leave Mode</source>
        <translation>Abwesend-Modus</translation>
    </message>
    <message>
        <source>M</source>
        <translation>M</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>NEIN</translation>
    </message>
    <message>
        <source>Name:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>New mail!</source>
        <translation>Neue E-Mail!</translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>AUS</translation>
    </message>
    <message>
        <source>OFF / QUIT</source>
        <translation>AUS / ENDE</translation>
    </message>
    <message>
        <source>ON</source>
        <translation>AN</translation>
    </message>
    <message>
        <source>ON / SAVE</source>
        <translation>AN / SICHERN</translation>
    </message>
    <message>
        <source>ON: every move makes the toy shout</source>
        <translation>AN: Jede Bewegung lässt das Spielzeug rufen</translation>
    </message>
    <message>
        <source>Pick how the toy watches your desk</source>
        <translation>Wähle, wie das Spielzeug deinen Tisch bewacht</translation>
    </message>
    <message>
        <source>Profile:</source>
        <translation>Profil:</translation>
    </message>
    <message>
        <source>QUIT</source>
        <translation>ENDE</translation>
    </message>
    <message>
        <source>RESET</source>
        <translation>LEEREN</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>SAVE</source>
        <translation>SICHERN</translation>
    </message>
    <message>
        <source>Sensor Start</source>
        <translation>Sensor-Start</translation>
    </message>
    <message>
        <source>Sound Effects</source>
        <translation>Klangeffekte</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Wait:</source>
        <translation>Warten:</translation>
    </message>
    <message>
        <source>YES</source>
        <translation>JA</translation>
    </message>
    <message>
        <source>minutes</source>
        <translation>Minuten</translation>
    </message>
    <message>
        <source>on</source>
        <translation>an</translation>
    </message>
    <message>
        <source>sound file</source>
        <translation>Tondatei</translation>
    </message>
</context>
<context>
    <name>CALARMDLG</name>
    <message>
        <source>Alarm</source>
        <translation>Wecker</translation>
    </message>
    <message>
        <source>Topic:</source>
        <translation>Thema:</translation>
    </message>
    <message>
        <source>Note:</source>
        <translation>Notiz:</translation>
    </message>
    <message>
        <source>Date:</source>
        <translation>Datum:</translation>
    </message>
    <message>
        <source>Sound Alarm:</source>
        <translation>Weckton:</translation>
    </message>
    <message>
        <source>Repeat:</source>
        <translation>Turnus:</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Tag</translation>
    </message>
    <message>
        <source>Month</source>
        <translation>Monat</translation>
    </message>
    <message>
        <source>Year</source>
        <translation>Jahr</translation>
    </message>
    <message>
        <source>Hour</source>
        <translation>Stunde</translation>
    </message>
    <message>
        <source>Minute</source>
        <translation>Minute</translation>
    </message>
    <message>
        <source>Topic</source>
        <translation>Thema</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Notiz</translation>
    </message>
    <message>
        <source>Month, in English</source>
        <translation>Monat, auf Englisch</translation>
    </message>
    <message>
        <source>One minute later</source>
        <translation>Eine Minute später</translation>
    </message>
    <message>
        <source>One minute earlier</source>
        <translation>Eine Minute früher</translation>
    </message>
    <message>
        <source>on</source>
        <translation>an</translation>
    </message>
    <message>
        <source>Sound Alarm on</source>
        <translation>Weckton an</translation>
    </message>
    <message>
        <source>Sound file</source>
        <translation>Tondatei</translation>
    </message>
    <message>
        <source>Choose a sound file</source>
        <translation>Tondatei wählen</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>Tag</translation>
    </message>
    <message>
        <source>Week</source>
        <translation>Woche</translation>
    </message>
    <message>
        <source>1 Time</source>
        <translation>1 Mal</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Sichern</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>Please enter the month as its English name, for example May.</source>
        <translation>Bitte gib den Monat mit seinem englischen Namen ein, zum Beispiel May.</translation>
    </message>
    <message>
        <source>Please choose how the alarm repeats: 1 Time, Day, Week, Year or Month.</source>
        <translation>Bitte wähle, wie sich der Wecker wiederholt: 1 Mal, Tag, Woche, Jahr oder Monat.</translation>
    </message>
    <message>
        <source>topic</source>
        <translation>Thema</translation>
    </message>
    <message>
        <source>note</source>
        <translation>Notiz</translation>
    </message>
    <message>
        <source>sound file</source>
        <translation>Tondatei</translation>
    </message>
    <message>
        <source>The %1 may not contain &quot;%2&quot;. Please remove it.</source>
        <translation>Das Feld „%1“ darf kein „%2“ enthalten. Bitte entferne es.</translation>
    </message>
    <message>
        <source>Hour</source>
        <comment>column heading</comment>
        <translation>Std.</translation>
    </message>
</context>
<context>
    <name>CBellDlg</name>
    <message>
        <source>Snooze 10 min (S)</source>
        <translation>10 Min. schlummern (S)</translation>
    </message>
    <message>
        <source>Stop the alarm</source>
        <translation>Wecker ausschalten</translation>
    </message>
    <message>
        <source>Ringing alarm clock</source>
        <translation>Klingelnder Wecker</translation>
    </message>
    <message>
        <source>Alarm: %1</source>
        <translation>Wecker: %1</translation>
    </message>
</context>
<context>
    <name>CCalendaDlg</name>
    <message>
        <source>Calendar</source>
        <translation>Kalender</translation>
    </message>
    <message>
        <source>SUN</source>
        <translation>SO</translation>
    </message>
    <message>
        <source>MON</source>
        <translation>MO</translation>
    </message>
    <message>
        <source>TUE</source>
        <translation>DI</translation>
    </message>
    <message>
        <source>WED</source>
        <translation>MI</translation>
    </message>
    <message>
        <source>THU</source>
        <translation>DO</translation>
    </message>
    <message>
        <source>FRI</source>
        <translation>FR</translation>
    </message>
    <message>
        <source>SAT</source>
        <translation>SA</translation>
    </message>
    <message>
        <source>Open the chosen day</source>
        <translation>Gewählten Tag öffnen</translation>
    </message>
    <message>
        <source>Delete alarms</source>
        <translation>Wecker löschen</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>Tag</translation>
    </message>
    <message>
        <source>Month</source>
        <translation>Monat</translation>
    </message>
    <message>
        <source>Year</source>
        <translation>Jahr</translation>
    </message>
    <message>
        <source>Days of the month</source>
        <translation>Tage des Monats</translation>
    </message>
    <message>
        <source>The calendar cannot show the year %1.</source>
        <translation>Der Kalender kann das Jahr %1 nicht zeigen.</translation>
    </message>
    <message>
        <source>Next day</source>
        <translation>Nächster Tag</translation>
    </message>
    <message>
        <source>Previous day</source>
        <translation>Vorheriger Tag</translation>
    </message>
    <message>
        <source>Next month</source>
        <translation>Nächster Monat</translation>
    </message>
    <message>
        <source>Previous month</source>
        <translation>Vorheriger Monat</translation>
    </message>
    <message>
        <source>Next year</source>
        <translation>Nächstes Jahr</translation>
    </message>
    <message>
        <source>Previous year</source>
        <translation>Vorheriges Jahr</translation>
    </message>
</context>
<context>
    <name>CDelDlg</name>
    <message>
        <source>Delete by day:</source>
        <translation>Für den Tag löschen:</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>Delete by hour:</source>
        <translation>Für die Stunde löschen:</translation>
    </message>
</context>
<context>
    <name>CDogProfile</name>
    <message>
        <source>Personal Profile</source>
        <translation>Persönliches Profil</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Male</source>
        <translation>Männlich</translation>
    </message>
    <message>
        <source>Female</source>
        <translation>Weiblich</translation>
    </message>
    <message>
        <source>Birthday: day</source>
        <translation>Geburtstag: Tag</translation>
    </message>
    <message>
        <source>Birthday: month</source>
        <translation>Geburtstag: Monat</translation>
    </message>
    <message>
        <source>Birthday: year</source>
        <translation>Geburtstag: Jahr</translation>
    </message>
    <message>
        <source>Age</source>
        <translation>Alter</translation>
    </message>
    <message>
        <source>Hometown</source>
        <translation>Heimatort</translation>
    </message>
    <message>
        <source>Hobbies and Interests</source>
        <translation>Hobbys und Interessen</translation>
    </message>
    <message>
        <source>Hobbies and Interests, second line</source>
        <translation>Hobbys und Interessen, zweite Zeile</translation>
    </message>
    <message>
        <source>Mail program</source>
        <translation>E-Mail-Programm</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Sichern</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>Browse for the mail program</source>
        <translation>E-Mail-Programm suchen</translation>
    </message>
    <message>
        <source>The profile cannot hold the character &quot;#&quot;. Please remove it.</source>
        <translation>Das Profil kann das Zeichen „#“ nicht speichern. Bitte entferne es.</translation>
    </message>
</context>
<context>
    <name>CHourSecDlg</name>
    <message>
        <source>Hours</source>
        <translation>Stunden</translation>
    </message>
    <message>
        <source>Edit the alarm of the chosen hour</source>
        <translation>Wecker der gewählten Stunde bearbeiten</translation>
    </message>
    <message>
        <source>Delete alarms</source>
        <translation>Wecker löschen</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Hours of the day</source>
        <translation>Stunden des Tages</translation>
    </message>
    <message>
        <source>Please select the hour to del!</source>
        <translation>Bitte wähle die Stunde, die gelöscht werden soll!</translation>
    </message>
    <message>
        <source>Please select the hour!</source>
        <translation>Bitte wähle die Stunde!</translation>
    </message>
    <message>
        <source>Please select the hour !</source>
        <translation>Bitte wähle die Stunde !</translation>
    </message>
</context>
<context>
    <name>CMailBoxDlg</name>
    <message>
        <source>MailBox Configure</source>
        <translation>Postfach einrichten</translation>
    </message>
    <message>
        <source>User Name:</source>
        <translation>Benutzer:</translation>
    </message>
    <message>
        <source>PassWord:</source>
        <translation>Passwort:</translation>
    </message>
    <message>
        <source>POP Server:</source>
        <translation>POP-Server:</translation>
    </message>
    <message>
        <source>Duration:</source>
        <translation>Abstand:</translation>
    </message>
    <message>
        <source>Mins</source>
        <translation>Min.</translation>
    </message>
    <message>
        <source>User Name</source>
        <translation>Benutzername</translation>
    </message>
    <message>
        <source>PassWord</source>
        <translation>Passwort</translation>
    </message>
    <message>
        <source>POP Server</source>
        <translation>POP-Server</translation>
    </message>
    <message>
        <source>Duration in minutes</source>
        <translation>Abstand in Minuten</translation>
    </message>
    <message>
        <source>The desktop&apos;s mail program (xdg-email)</source>
        <translation>Das E-Mail-Programm der Arbeitsumgebung (xdg-email)</translation>
    </message>
    <message>
        <source>Mail program</source>
        <translation>E-Mail-Programm</translation>
    </message>
    <message>
        <source>Browse for the mail program</source>
        <translation>E-Mail-Programm suchen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>CANCEL</source>
        <translation>ABBRECHEN</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Please enter the mail program.</source>
        <translation>Bitte gib das E-Mail-Programm an.</translation>
    </message>
    <message>
        <source>The server&apos;s certificate is not trusted. Its SHA-256 fingerprint is:
%1</source>
        <translation>Dem Zertifikat des Servers wird nicht vertraut. Sein SHA-256-Fingerabdruck lautet:
%1</translation>
    </message>
    <message>
        <source>Trust this certificate</source>
        <translation>Diesem Zertifikat vertrauen</translation>
    </message>
    <message>
        <source>Only if this is your server&apos;s certificate: compare the fingerprint with the one the server&apos;s administrator gives</source>
        <translation>Nur wenn dies das Zertifikat Ihres Servers ist: Vergleichen Sie den Fingerabdruck mit dem, den die Verwaltung des Servers angibt</translation>
    </message>
</context>
<context>
    <name>CMissedDlg</name>
    <message>
        <source>Missed alarms</source>
        <translation>Verpasste Wecker</translation>
    </message>
    <message>
        <source>topic</source>
        <translation>Thema</translation>
    </message>
    <message>
        <source>date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>time</source>
        <translation>Uhrzeit</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
</context>
<context>
    <name>CModeDlg</name>
    <message>
        <source>Guard Mode</source>
        <translation>Wachmodus</translation>
    </message>
    <message>
        <source>ATTENTION MODE</source>
        <translation>AUFPASS-MODUS</translation>
    </message>
    <message>
        <source>LEAVE MODE</source>
        <translation>ABWESEND-MODUS</translation>
    </message>
</context>
<context>
    <name>CNotMoveDlg</name>
    <message>
        <source>Hey!! Don&apos;t Move!!</source>
        <translation>Hey!! Nicht bewegen!!</translation>
    </message>
</context>
<context>
    <name>CSensorDlg</name>
    <message>
        <source>Attention Mode</source>
        <translation>Aufpass-Modus</translation>
    </message>
    <message>
        <source>On</source>
        <translation>An</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
</context>
<context>
    <name>CSoundCfg</name>
    <message>
        <source>Sound Effects</source>
        <translation>Klangeffekte</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Sichern</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Leeren</translation>
    </message>
</context>
<context>
    <name>CSoundSec</name>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Ende</translation>
    </message>
    <message>
        <source>Hover</source>
        <translation>Mouseover</translation>
    </message>
    <message>
        <source>Enter key</source>
        <translation>Eingabetaste</translation>
    </message>
    <message>
        <source>Delete key</source>
        <translation>Entf-Taste</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>Alarm song</source>
        <translation>Weckerlied</translation>
    </message>
    <message>
        <source>ON / SAVE</source>
        <translation>AN / SICHERN</translation>
    </message>
    <message>
        <source>OFF / QUIT</source>
        <translation>AUS / ENDE</translation>
    </message>
    <message>
        <source>Guard alert</source>
        <translation>Wachalarm</translation>
    </message>
    <message>
        <source>Spare</source>
        <translation>Reserve</translation>
    </message>
    <message>
        <source>%1: sound file</source>
        <translation>%1: Tondatei</translation>
    </message>
    <message>
        <source>%1: choose a sound file</source>
        <translation>%1: Tondatei wählen</translation>
    </message>
    <message>
        <source>%1: on</source>
        <translation>%1: an</translation>
    </message>
    <message>
        <source>Please choose a .wav file.</source>
        <translation>Bitte wähle eine .wav-Datei.</translation>
    </message>
    <message>
        <source>The sound table cannot hold a path with &quot;@&quot; or a line break:
%1
Please rename the file or choose another one.</source>
        <translation>Die Klangtabelle kann keinen Pfad mit „@“ oder einem Zeilenumbruch speichern:
%1
Bitte benenne die Datei um oder wähle eine andere.</translation>
    </message>
</context>
<context>
    <name>CTrayIcon</name>
    <message>
        <source>BACK</source>
        <translation>ZURÜCK</translation>
    </message>
    <message>
        <source>EXIT</source>
        <translation>BEENDEN</translation>
    </message>
</context>
<context>
    <name>CWaitDlg</name>
    <message>
        <source>Leave mode cannot start: this desktop tells no program how long it has been idle (neither the X11 screen saver extension, GNOME&apos;s idle monitor, the Wayland idle protocols nor the screen saver service answer).</source>
        <translation>Der Abwesend-Modus kann nicht starten: Diese Arbeitsumgebung sagt keinem Programm, wie lange sie schon untätig ist (weder die Bildschirmschoner-Erweiterung von X11 noch GNOMEs Leerlaufmonitor, die Wayland-Leerlaufprotokolle oder der Bildschirmschoner-Dienst antworten).</translation>
    </message>
    <message>
        <source>Leave Mode</source>
        <translation>Abwesend-Modus</translation>
    </message>
    <message>
        <source>Wait minutes</source>
        <translation>Warteminuten</translation>
    </message>
    <message>
        <source>One minute more</source>
        <translation>Eine Minute mehr</translation>
    </message>
    <message>
        <source>One minute less</source>
        <translation>Eine Minute weniger</translation>
    </message>
    <message>
        <source>On</source>
        <translation>An</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
</context>
<context>
    <name>CheckMailboxSettings</name>
    <message>
        <source>user name</source>
        <translation>Benutzername</translation>
    </message>
    <message>
        <source>password</source>
        <translation>Passwort</translation>
    </message>
    <message>
        <source>Please enter the user name.</source>
        <translation>Bitte gib den Benutzernamen ein.</translation>
    </message>
    <message>
        <source>The user name cannot contain &quot;/&quot;.</source>
        <translation>Der Benutzername darf kein „/“ enthalten.</translation>
    </message>
    <message>
        <source>The user name does not fit a POP3 command: at most %1 bytes, on one line.</source>
        <translation>Der Benutzername passt nicht in einen POP3-Befehl: höchstens %1 Bytes, in einer Zeile.</translation>
    </message>
    <message>
        <source>The password does not fit a POP3 command: at most %1 bytes, on one line.</source>
        <translation>Das Passwort passt nicht in einen POP3-Befehl: höchstens %1 Bytes, in einer Zeile.</translation>
    </message>
    <message>
        <source>The password cannot contain the byte 0xFF.</source>
        <translation>Das Passwort darf das Byte 0xFF nicht enthalten.</translation>
    </message>
    <message>
        <source>Please enter the POP server.</source>
        <translation>Bitte gib den POP-Server ein.</translation>
    </message>
    <message>
        <source>The POP server must be written as one of: </source>
        <translation>Der POP-Server muss in einer dieser Formen geschrieben werden: </translation>
    </message>
</context>
<context>
    <name>CompanionApp</name>
    <message>
        <source>动态库初始化错误 -- 终止程序</source>
        <translation>Fehler beim Initialisieren der Bibliothek – das Programm wird beendet</translation>
    </message>
</context>
<context>
    <name>Errors</name>
    <message>
        <source>Access to %1 was denied.</source>
        <translation>Der Zugriff auf %1 wurde verweigert.</translation>
    </message>
    <message>
        <source>Disk full while accessing %1.</source>
        <translation>Der Datenträger ist voll beim Zugriff auf %1.</translation>
    </message>
    <message>
        <source>An unknown error occurred while accessing %1.</source>
        <translation>Beim Zugriff auf %1 ist ein unbekannter Fehler aufgetreten.</translation>
    </message>
    <message>
        <source>An invalid argument was encountered.</source>
        <translation>Ein ungültiges Argument wurde gefunden.</translation>
    </message>
</context>
<context>
    <name>EventWindows</name>
    <message>
        <source>Show</source>
        <translation>Anzeigen</translation>
    </message>
    <message>
        <source>Missed alarms</source>
        <translation>Verpasste Wecker</translation>
    </message>
    <message>
        <source>Snooze 10 min</source>
        <translation>10 Min. schlummern</translation>
    </message>
    <message>
        <source>Dismiss</source>
        <translation>Ausschalten</translation>
    </message>
    <message>
        <source>Alarm</source>
        <translation>Wecker</translation>
    </message>
</context>
<context>
    <name>MailNoticeWindow</name>
    <message>
        <source>New mail!</source>
        <translation>Neue E-Mail!</translation>
    </message>
</context>
<context>
    <name>MailProgram</name>
    <message>
        <source>Default mail program</source>
        <translation>Standard-Mailprogramm</translation>
    </message>
    <message>
        <source>Thunderbird</source>
        <translation>Thunderbird</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>Anderes</translation>
    </message>
</context>
<context>
    <name>MailWatch</name>
    <message>
        <source>The mailbox password cannot be read because %1. The mail check starts as soon as the store is unlocked.</source>
        <translation>Das Postfach-Passwort kann nicht gelesen werden, weil %1. Die E-Mail-Prüfung beginnt, sobald der Schlüsselbund entsperrt ist.</translation>
    </message>
    <message>
        <source>The mailbox password could not be read from the desktop&apos;s secret store (%1). Please enter it again.</source>
        <translation>Das Postfach-Passwort konnte nicht aus dem Schlüsselbund der Arbeitsumgebung gelesen werden (%1). Bitte gib es erneut ein.</translation>
    </message>
    <message>
        <source>The password could not be kept in the desktop&apos;s secret store (%1). It is used for this run only; enter it again after the next start.</source>
        <translation>Das Passwort konnte nicht im Schlüsselbund der Arbeitsumgebung gespeichert werden (%1). Es gilt nur für diesen Lauf; gib es nach dem nächsten Start erneut ein.</translation>
    </message>
    <message>
        <source>Mail check failed: </source>
        <translation>E-Mail-Prüfung fehlgeschlagen: </translation>
    </message>
    <message>
        <source>Mail: %1 messages (%2)</source>
        <translation>E-Mail: %1 Nachrichten (%2)</translation>
    </message>
</context>
<context>
    <name>MainDialog</name>
    <message>
        <source>Quillby</source>
        <translation>Quillby</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Alarm and Calendar</source>
        <translation>Wecker und Kalender</translation>
    </message>
    <message>
        <source>Personal Profile</source>
        <translation>Persönliches Profil</translation>
    </message>
    <message>
        <source>Guard Mode</source>
        <translation>Wachmodus</translation>
    </message>
    <message>
        <source>Sound Effects</source>
        <translation>Klangeffekte</translation>
    </message>
    <message>
        <source>Pensonal Profile</source>
        <translation>Persönliches Profil</translation>
    </message>
    <message>
        <source>Run: </source>
        <translation>Führe aus: </translation>
    </message>
    <message>
        <source>Install the udev rule &quot;70-quillby-toy.rules&quot; as the README describes, then plug the toy in again.</source>
        <translation>Installiere die udev-Regel „70-quillby-toy.rules“, wie die README beschreibt, und stecke das Spielzeug dann neu ein.</translation>
    </message>
    <message>
        <source>MailBox Configure…</source>
        <translation>Postfach einrichten…</translation>
    </message>
    <message>
        <source>Start at login</source>
        <translation>Bei der Anmeldung starten</translation>
    </message>
    <message>
        <source>Toy: connected</source>
        <translation>Spielzeug: verbunden</translation>
    </message>
    <message>
        <source>Toy: not connected</source>
        <translation>Spielzeug: nicht verbunden</translation>
    </message>
    <message>
        <source>Mail check failed</source>
        <translation>E-Mail-Prüfung fehlgeschlagen</translation>
    </message>
    <message>
        <source>Mail check</source>
        <translation>E-Mail-Prüfung</translation>
    </message>
    <message>
        <source>The mail check works again.</source>
        <translation>Die E-Mail-Prüfung funktioniert wieder.</translation>
    </message>
    <message>
        <source>Mail check failed: </source>
        <translation>E-Mail-Prüfung fehlgeschlagen: </translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>关于 QUILLBY(&amp;A)...</source>
        <translation>Über QUILLBY(&amp;A)...</translation>
    </message>
</context>
<context>
    <name>ToyRuleFix</name>
    <message>
        <source>The toy&apos;s udev rule can be installed from here only where pkexec and the program&apos;s helper are installed. Run instead (quillby --doctor prints it too):

</source>
        <translation>Die udev-Regel des Spielzeugs kann von hier aus nur installiert werden, wo pkexec und das Hilfsprogramm installiert sind. Führe stattdessen aus (quillby --doctor zeigt es auch):

</translation>
    </message>
    <message>
        <source>The toy&apos;s udev rule is installed: a plugged-in toy is found in a moment.</source>
        <translation>Die udev-Regel des Spielzeugs ist installiert: Ein eingestecktes Spielzeug wird gleich gefunden.</translation>
    </message>
    <message>
        <source>The toy&apos;s udev rule was not installed: the administrator&apos;s password was not given.</source>
        <translation>Die udev-Regel des Spielzeugs wurde nicht installiert: Das Administratorpasswort wurde nicht eingegeben.</translation>
    </message>
    <message>
        <source>Installing the toy&apos;s udev rule failed</source>
        <translation>Die Installation der udev-Regel des Spielzeugs ist fehlgeschlagen</translation>
    </message>
    <message>
        <source>Allow this user to use the toy…</source>
        <translation>Diesem Benutzer das Spielzeug erlauben…</translation>
    </message>
    <message>
        <source>The toy&apos;s udev rule is installed, but udev did not apply it yet</source>
        <translation>Die udev-Regel des Spielzeugs ist installiert, aber udev wendet sie noch nicht an</translation>
    </message>
    <message>
        <source>

Unplug the toy and plug it in again (or log out and in again) to use it.</source>
        <translation>

Stecken Sie das Spielzeug aus und wieder ein (oder melden Sie sich ab und wieder an), um es zu verwenden.</translation>
    </message>
    <message>
        <source>The toy&apos;s udev rule was not installed: no polkit authentication agent runs in this session, so nobody could be asked for the administrator&apos;s password.</source>
        <translation>Die udev-Regel des Spielzeugs wurde nicht installiert: In dieser Sitzung läuft kein polkit-Legitimierungsagent, daher konnte niemand nach dem Administratorpasswort gefragt werden.</translation>
    </message>
    <message>
        <source>The toy&apos;s udev rule was not installed: polkit does not allow this user to install it.</source>
        <translation>Die udev-Regel des Spielzeugs wurde nicht installiert: polkit erlaubt diesem Benutzer nicht, sie zu installieren.</translation>
    </message>
</context>
<context>
    <name>ToyStatus</name>
    <message>
        <source>Toy not connected: </source>
        <translation>Spielzeug nicht verbunden: </translation>
    </message>
</context>
<context>
    <name>Validation</name>
    <message>
        <source>Please enter an integer.</source>
        <translation>Bitte gib eine ganze Zahl ein.</translation>
    </message>
    <message>
        <source>Please enter an integer between %1 and %2.</source>
        <translation>Bitte gib eine ganze Zahl zwischen %1 und %2 ein.</translation>
    </message>
    <message>
        <source>Please enter no more than %1 characters.</source>
        <translation>Bitte gib nicht mehr als %1 Zeichen ein.</translation>
    </message>
</context>
</TS>
