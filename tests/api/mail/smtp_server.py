"""Two SMTP servers on loopback for the mail tests, one open and one that requires AUTH
(user "kovrin", password "s3cret:@pw"). Each accepted message is written to OUT as NNNN.txt, one
"key<TAB>value" line per fact (backslash, CR and LF in values escaped), as Python's own mail parser
reads it. A recipient with "reject" in it is refused with 550. Prints "pid open-port auth-port" and
serves until it is terminated."""
import email
import logging
import warnings
import email.policy
import os
import signal
import socket
import sys
import threading

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword

OUT = sys.argv[1]
warnings.simplefilter("ignore")
logging.getLogger("mail.log").setLevel(logging.CRITICAL)
count = 0
lock = threading.Lock()


def esc(value):
    return str(value).replace("\\", "\\\\").replace("\r", "\\r").replace("\n", "\\n")


class Handler:
    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if "reject" in address:
            return "550 5.1.1 No such user here"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        global count
        msg = email.message_from_bytes(envelope.content, policy=email.policy.default)
        facts = [("mail_from", envelope.mail_from)]
        facts += [("rcpt", r) for r in envelope.rcpt_tos]
        facts.append(("login", getattr(session, "kovrin_login", "")))
        for name in ("From", "To", "Cc", "Bcc", "Subject", "Date", "Message-ID"):
            if msg[name] is not None:
                facts.append((name.lower(), msg[name]))
        if msg["From"] is not None:
            sender = msg["From"].addresses[0]
            facts += [("from_name", sender.display_name), ("from_address", sender.addr_spec)]
        facts.append(("content_type", msg.get_content_type()))
        for part in msg.walk():
            if part.is_multipart():
                continue
            if part.get_filename():
                facts.append(("attachment", part.get_filename()))
                facts.append(("attachment_data", part.get_payload(decode=True).decode("latin-1")))
            else:
                facts.append(("body_type", part.get_content_type()))
                facts.append(("charset", part.get_content_charset()))
                facts.append(("body", part.get_content()))
        with lock:
            count += 1
            path = os.path.join(OUT, "%04d" % count)
        with open(path + ".tmp", "w", encoding="utf-8") as f:
            for k, v in facts:
                f.write("%s\t%s\n" % (k, esc(v)))
        os.rename(path + ".tmp", path + ".txt")
        return "250 Message accepted"


def authenticator(server, session, envelope, mechanism, auth_data):
    ok = isinstance(auth_data, LoginPassword) and auth_data.login == b"kovrin" and auth_data.password == b"s3cret:@pw"
    if ok:
        session.kovrin_login = auth_data.login.decode()
    return AuthResult(success=ok, handled=False)


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGTERM, signal.SIGINT})
servers = [
    Controller(Handler(), hostname="127.0.0.1", port=free_port()),
    Controller(Handler(), hostname="127.0.0.1", port=free_port(), authenticator=authenticator,
               auth_required=True, auth_require_tls=False),
]
for s in servers:
    s.start()
print(os.getpid(), servers[0].port, servers[1].port, flush=True)
signal.sigwait({signal.SIGTERM, signal.SIGINT})
for s in servers:
    s.stop()
