# An IMAP mailbox stub for bench/footprint.sh: plain IMAP with IDLE, any login accepted,
# argv[1] messages (default 3) in the inbox; an idling client hears nothing until it ends
# the IDLE itself. Prints the port it listens on (loopback: $STUB_PORT, else one the system
# picks); with argv[2], appends "count <ns since the epoch>" to that file each time it tells
# a count.
import os, socket, sys, threading, time
srv = socket.socket(); srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
srv.bind(("127.0.0.1", int(os.environ.get("STUB_PORT", "0")))); srv.listen(8)
print(srv.getsockname()[1], flush=True)
count = int(sys.argv[1]) if len(sys.argv) > 1 else 3
log = sys.argv[2] if len(sys.argv) > 2 else None
def serve(c):
    try:
        talk(c)
    except OSError:
        pass  # the client went away (a program that was ended)
    c.close()
def talk(c):
    f = c.makefile("rb")
    c.sendall(b"* OK stub ready\r\n")
    idling = None
    for line in f:
        words = line.strip().split(b" ")
        if idling is not None:
            if words[0].upper() == b"DONE": c.sendall(idling + b" OK IDLE done\r\n"); idling = None
            continue
        tag, verb = words[0], (words[1].upper() if len(words) > 1 else b"")
        if verb == b"CAPABILITY": c.sendall(b"* CAPABILITY IMAP4rev1 IDLE\r\n" + tag + b" OK\r\n")
        elif verb in (b"EXAMINE", b"SELECT"):
            c.sendall(b"* %d EXISTS\r\n* 0 RECENT\r\n%s OK [READ-ONLY] done\r\n" % (count, tag))
            if log:
                with open(log, "a") as out: out.write("count %d\n" % time.time_ns())
        elif verb == b"IDLE": c.sendall(b"+ idling\r\n"); idling = tag
        elif verb == b"LOGOUT": c.sendall(b"* BYE\r\n" + tag + b" OK\r\n"); break
        else: c.sendall(tag + b" OK\r\n")
while True:
    c, _ = srv.accept(); threading.Thread(target=serve, args=(c,), daemon=True).start()
