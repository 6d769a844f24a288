"""A real SMTP server with TLS and a login for the tests (aiosmtpd on
127.0.0.1:PORT). MODE: starttls (STARTTLS required), tls (TLS from the first
byte), nostarttls (plain, STARTTLS not offered), inject (a scripted server
that sends an extra reply right after its STARTTLS go-ahead) or cut (a scripted
server that ends the TLS session after the first line of its EHLO reply). MECHS: PLAIN,
LOGIN or PLAIN,LOGIN offered, or none for no login at all. Messages go to DIR/NNN.eml as received, every
AUTH and MAIL command to DIR/commands. Prints "ready" when it listens; ends
when its standard input closes."""
import logging, os, socket, ssl, sys, threading
from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult

mode, port, folder, cert, key, user, password, mechs = sys.argv[1:9]
logging.disable(logging.CRITICAL)  # refused handshakes are what some tests want
port = int(port)
offered = mechs.split(",")


def record(line):
    with open(os.path.join(folder, "commands"), "a") as f:
        f.write(line + "\n")


def store(data):
    n = len([f for f in os.listdir(folder) if f.endswith(".eml")])
    with open(os.path.join(folder, "%03d.eml" % n), "wb") as f:
        f.write(data)


class Store:
    async def handle_MAIL(self, server, session, envelope, address, options):
        secure = server.transport.get_extra_info("ssl_object") is not None
        record("MAIL " + address + (" tls" if secure else " clear"))
        envelope.mail_from = address
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        store(envelope.original_content)
        return "250 Message accepted for delivery"


def check(server, session, envelope, mechanism, auth_data):
    record("AUTH %s %s" % (mechanism, auth_data.login.decode()))
    ok = auth_data.login.decode() == user and auth_data.password.decode() == password
    return AuthResult(success=ok, handled=False)


def context():
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(cert, key)
    return ctx


def scripted():
    """STARTTLS whose go-ahead carries a refusal in the same packet, or (cut)
    an EHLO reply whose continuation line is followed by the close notice."""
    listener = socket.create_server(("127.0.0.1", port))
    print("ready", flush=True)
    conn, _ = listener.accept()
    reader = conn.makefile("rb")

    def say(text):
        conn.sendall(text.encode())

    say("220 scripted ESMTP\r\n")
    record("C: " + reader.readline().decode().strip())
    say("250-scripted\r\n250 STARTTLS\r\n")
    record("C: " + reader.readline().decode().strip())
    say("220 ready to start TLS\r\n" + ("" if mode == "cut" else "554 5.7.0 injected\r\n"))
    tls = context().wrap_socket(conn, server_side=True)
    reader = tls.makefile("rb")
    sink = tls.sendall
    replies = {"EHLO": "250-scripted\r\n250 AUTH PLAIN\r\n", "AUTH": "235 OK\r\n",
               "MAIL": "250 OK\r\n", "RCPT": "250 OK\r\n", "DATA": "354 go\r\n",
               "QUIT": "221 bye\r\n"}
    while True:
        line = reader.readline().decode().strip()
        if not line:
            break
        record("C: " + line)
        verb = line.split(" ")[0].upper()
        if mode == "cut":
            sink(b"250-localhost hello\r\n")
            tls.settimeout(5)
            try:
                tls.unwrap()
            except OSError:
                pass
            break
        sink(replies.get(verb, "500 what\r\n").encode())
        if verb == "DATA":
            data = b""
            for line in iter(reader.readline, b""):
                if line == b".\r\n":
                    break
                data += line[1:] if line.startswith(b".") else line
            store(data)
            sink(b"250 accepted\r\n")
        if verb == "QUIT":
            break
    tls.close()


if mode in ("inject", "cut"):
    threading.Thread(target=scripted, daemon=True).start()
else:
    kwargs = dict(authenticator=check, auth_exclude_mechanism=[m for m in ("PLAIN", "LOGIN")
                                                                 if m not in offered])
    if mechs == "none":
        kwargs = {}
    if mode == "starttls":
        kwargs.update(tls_context=context(), require_starttls=True, auth_required=bool(kwargs))
    elif mode == "tls":
        kwargs.update(ssl_context=context(), auth_require_tls=False, auth_required=True)
    controller = Controller(Store(), hostname="127.0.0.1", port=port, **kwargs)
    controller.start()
    print("ready", flush=True)
sys.stdin.read()
