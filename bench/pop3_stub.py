# A POP3 mailbox stub for bench/footprint.sh: says +OK to everything and holds argv[1]
# messages (default 3) at the first login and one more from the second on, so the second
# check announces new mail (a connection that only reads the greeting is no login); prints
# the port it listens on (loopback: $STUB_PORT, else one the system picks).
import os, socket, sys, threading
srv = socket.socket(); srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
srv.bind(("127.0.0.1", int(os.environ.get("STUB_PORT", "0")))); srv.listen(8)
print(srv.getsockname()[1], flush=True)
count = int(sys.argv[1]) if len(sys.argv) > 1 else 3
sessions = 0
def serve(c):
    global sessions
    now = count
    f = c.makefile("rb")
    c.sendall(b"+OK stub\r\n")
    for line in f:
        verb = line.split(b" ")[0].strip().upper()
        if verb == b"USER":
            sessions += 1
            now = count if sessions == 1 else count + 1
            c.sendall(b"+OK\r\n")
        elif verb == b"CAPA": c.sendall(b"+OK\r\nUSER\r\n.\r\n")
        elif verb == b"STAT": c.sendall(b"+OK %d %d\r\n" % (now, now * 100))
        elif verb == b"QUIT": c.sendall(b"+OK bye\r\n"); break
        else: c.sendall(b"+OK\r\n")
    c.close()
while True:
    c, _ = srv.accept(); threading.Thread(target=serve, args=(c,), daemon=True).start()
