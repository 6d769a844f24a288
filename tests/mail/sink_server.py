"""A real SMTP server for the tests: aiosmtpd on 127.0.0.1:PORT, storing every
message's data exactly as received (after the server's own un-stuffing) as
DIR/NNN.eml, with the envelope in DIR/NNN.env. Prints "ready" when it
listens; ends when its standard input closes."""
import os, sys
from aiosmtpd.controller import Controller

port, folder = int(sys.argv[1]), sys.argv[2]


class Store:
    async def handle_DATA(self, server, session, envelope):
        n = len([f for f in os.listdir(folder) if f.endswith(".eml")])
        base = os.path.join(folder, "%03d" % n)
        with open(base + ".env", "w") as f:
            f.write("\n".join([envelope.mail_from] + list(envelope.rcpt_tos)) + "\n")
        with open(base + ".tmp", "wb") as f:
            f.write(envelope.original_content)
        os.rename(base + ".tmp", base + ".eml")  # readers never see half a message
        return "250 Message accepted for delivery"


controller = Controller(Store(), hostname="127.0.0.1", port=port)
controller.start()
print("ready", flush=True)
sys.stdin.read()
controller.stop()
