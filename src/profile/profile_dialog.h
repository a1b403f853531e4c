#pragma once

#include "profile/profile_file.h"
#include "widgets/picture_dialog.h"

#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class CButtonST;

// The owner's card: name, gender, birthday with the age, hometown, two hobby lines.
// SAVE writes "DogProfile.txt", puts the name into the main window and the birthday
// into the alarms as yearly records.
class CDogProfile final : public PictureDialog {
    Q_OBJECT

public:
    explicit CDogProfile(QWidget* parent = nullptr);

    // Filled by OpenProfileDialog before the window is shown.
    DogProfile profile;
    std::string ageText;
    int newProfile = 0;

    // Lays the members into the controls; the window calls it when it is first shown.
    void InitDialog();
    void SaveProfile();

Q_SIGNALS:
    // The name went into g_profileName: the main window shows it.
    void nameSaved();

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool transferFromControls();
    void transferToControls();
    void onDayOrMonth();
    void onYear();
    void onHobbies1Edited(const QString& text);
    void onHobbies2Changed();
    void onReset();
    void onMailChoice(int choice);
    void onBrowseMail();

    int m_day = 1;
    int m_month = 1;
    int m_year = 2000;
    int m_oldDay = 1;
    int m_oldMonth = 1;
    int m_mailChoice = 2;
    std::string m_mailPath;
    bool m_initialised = false;
    bool m_transferring = false;

    QLineEdit* m_name;
    QCheckBox* m_male;
    QCheckBox* m_female;
    QComboBox* m_dayList;
    QComboBox* m_monthList;
    QComboBox* m_yearList;
    QLineEdit* m_age;
    QLineEdit* m_hometown;
    QLineEdit* m_hobbies1;
    QLineEdit* m_hobbies2;
    QRadioButton* m_mailRadios[3];
    QLineEdit* m_mailPathEdit;
    CButtonST* m_mailBrowse;
};

// The profile command: fills the card from "DogProfile.txt" (today's date and age 0
// when there is none yet) and runs it. The card reports a saved name with nameSaved().
void OpenProfileDialog(QWidget* owner, const std::function<void()>& onNameSaved);
