#!/usr/bin/env python3
"""A throw-away FTP server for the FTP tests.

Builds a small directory tree in a temporary folder, serves it on 127.0.0.1 on a free
port and prints that port on stdout once it is listening. It stops (and removes the tree)
when its stdin reaches end of file or it receives SIGTERM, so a crashed test run never
leaves a server behind.

Usage: ftp_server.py USER PASSWORD [--refuse-size] [--extra-mb N] [--hostile]
  --refuse-size  answer every SIZE command with "550 SIZE not allowed here."
  --extra-mb N   add /big/extra.bin of N MiB (sparse zeros), for measurements
  --hostile      misbehave as a server that cannot be trusted:
                 /hostile/ holds files whose SIZE lies (larger.log, smaller.log: "213 100",
                 negative.log: "213 -5"), a name with a line feed ("a\nb.log") before
                 after.log, and chatty.log, whose SIZE reply never ends; /endless/ lists
                 entries without end (bounded at ENDLESS_LIMIT); the user "owned" is refused
                 with a reply full of terminal escapes.
"""
import gzip
import os
import shutil
import signal
import sys
import tempfile
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

# Fast enough that the medium file takes a fraction of a second, slow enough that the
# big file is still running when a test cancels it.
SEND_LIMIT = 16 * 1024 * 1024
BIG_SIZE = 50 * 1024 * 1024
HUGE_SIZE = 5 * 1024 * 1024 * 1024  # sparse: shows sizes beyond 32 bits, never downloaded


def access_lines(count):
    lines = []
    for i in range(count):
        lines.append(
            '10.0.%d.%d - - [10/Oct/2000:13:%02d:%02d -0700] "GET /page%d.html HTTP/1.0" 200 %d '
            '"http://example.com/" "Mozilla/4.08"\n' % (i // 250, i % 250, (i // 60) % 60, i % 60, i, 100 + i))
    return "".join(lines).encode()


def pattern_bytes(size, seed):
    # Deterministic, non-repeating within a block, so a shifted or truncated copy is caught.
    block = bytes(((i * 7919 + seed) ^ (i >> 8)) & 0xFF for i in range(65521))
    out = bytearray()
    while len(out) < size:
        out += block
    return bytes(out[:size])


HOSTILE_BODY = access_lines(60)  # about 7,000 bytes, so "213 100" cuts a line
# The "endless" replies stop somewhere, so a client that never stops reading still ends.
ENDLESS_LIMIT = 256 * 1024 * 1024
OWNED_REPLY = "530 \x1b[2J\x1b]0;OWNED\x07 Login \u202eincorrect."


def build_hostile_tree(root):
    hostile = os.path.join(root, "hostile")
    os.makedirs(hostile)
    os.makedirs(os.path.join(root, "endless"))
    for name in ("larger.log", "smaller.log", "negative.log", "chatty.log", "a\nb.log", "after.log"):
        with open(os.path.join(hostile, name), "wb") as f:
            f.write(HOSTILE_BODY)


class EndlessReply:
    """A producer of one reply whose continuation lines never stop (until ENDLESS_LIMIT)."""

    def __init__(self, line, last):
        self.line = line
        self.last = last
        self.sent = 0

    def more(self):
        if self.sent >= ENDLESS_LIMIT:
            if self.last:
                out, self.last = self.last, b""
                return out
            return b""
        chunk = self.line * 1024
        self.sent += len(chunk)
        return chunk


def build_tree(root):
    os.makedirs(os.path.join(root, "logs", "sub"))
    os.makedirs(os.path.join(root, "big"))
    os.makedirs(os.path.join(root, "empty"))
    os.makedirs(os.path.join(root, "dos", "Old Logs"))
    # Names that URLs, wildcards and FTP commands could misread.
    odd = os.path.join(root, "odd")
    os.makedirs(os.path.join(odd, "we#ird [dir]"))
    for name in (".hidden.log", "a[1]*?.log", "100%.log", "semi;type=a.log", "caf\u00e9.log"):
        with open(os.path.join(odd, name), "wb") as f:
            f.write(name.encode("utf8") + b"\n")
    with open(os.path.join(odd, "we#ird [dir]", "inner.log"), "wb") as f:
        f.write(b"inner\n")
    with open(os.path.join(root, "dos", "win log.txt"), "wb") as f:
        f.write(b"x" * 1234)
    with open(os.path.join(root, "readme.txt"), "wb") as f:
        f.write(b"Test server for log downloads.\n")
    access = access_lines(400)
    with open(os.path.join(root, "logs", "access.log"), "wb") as f:
        f.write(access)
    with gzip.open(os.path.join(root, "logs", "access.log.gz"), "wb") as f:
        f.write(access)
    with open(os.path.join(root, "logs", "error log.txt"), "wb") as f:
        f.write(b"[error] something odd\r\n[error] something else\r\n")
    with open(os.path.join(root, "logs", "medium.bin"), "wb") as f:
        f.write(pattern_bytes(3 * 1024 * 1024 + 17, 5))
    with open(os.path.join(root, "logs", "locked.log"), "wb") as f:
        f.write(b"the server refuses to send this one\n")
    with open(os.path.join(root, "logs", "sub", "old.log"), "wb") as f:
        f.write(access_lines(3))
    with open(os.path.join(root, "big", "big.bin"), "wb") as f:
        chunk = pattern_bytes(1024 * 1024, 11)
        for _ in range(BIG_SIZE // len(chunk)):
            f.write(chunk)
    with open(os.path.join(root, "big", "huge.bin"), "wb") as f:
        f.truncate(HUGE_SIZE)


class DosStyleFS(AbstractedFS):
    """Lists the folder "dos" the way Windows servers do, to cover the second listing style,
    and "endless" as a listing that does not end."""

    def format_list(self, basedir, listing, ignore_err=True):
        if os.path.basename(os.path.normpath(basedir)) == "endless":
            sent = 0
            n = 0
            while sent < ENDLESS_LIMIT:
                line = ("-rw-r--r--   1 owner    group        1234 Jan 01 12:00 entry%09d.log\r\n" % n).encode()
                sent += len(line)
                n += 1
                yield line
            return
        if os.path.basename(os.path.normpath(basedir)) != "dos":
            yield from AbstractedFS.format_list(self, basedir, listing, ignore_err)
            return
        for name in listing:
            path = os.path.join(basedir, name)
            if os.path.isdir(path):
                line = "12-06-26  01:02PM       <DIR>          %s\r\n" % name
            else:
                line = "12-06-26  01:02PM %20d %s\r\n" % (os.path.getsize(path), name)
            yield line.encode("utf8", self.cmd_channel.unicode_errors)


class Authorizer(DummyAuthorizer):
    """Lists everything but refuses to send files named locked.log (a server-side failure)."""

    def has_perm(self, username, perm, path=None):
        if perm == "r" and path is not None and os.path.basename(path) == "locked.log":
            return False
        return DummyAuthorizer.has_perm(self, username, perm, path)


def main():
    args = sys.argv[1:]
    refuse_size = "--refuse-size" in args
    if refuse_size:
        args.remove("--refuse-size")
    hostile = "--hostile" in args
    if hostile:
        args.remove("--hostile")
    extra_mb = 0
    if "--extra-mb" in args:
        i = args.index("--extra-mb")
        extra_mb = int(args[i + 1])
        del args[i:i + 2]
    if len(args) != 2:
        sys.stderr.write(__doc__)
        return 2
    user, password = args
    root = tempfile.mkdtemp(prefix="trevix-ftp-")
    try:
        build_tree(root)
        if hostile:
            build_hostile_tree(root)
        if extra_mb:
            with open(os.path.join(root, "big", "extra.bin"), "wb") as f:
                f.truncate(extra_mb * 1024 * 1024)
        authorizer = Authorizer()
        authorizer.add_user(user, password, root, perm="elr")

        class Dtp(ThrottledDTPHandler):
            write_limit = SEND_LIMIT

        class Handler(FTPHandler):
            def ftp_SIZE(self, path):
                if refuse_size:
                    self.respond("550 SIZE not allowed here.")
                    return
                name = os.path.basename(path)
                if hostile and name in ("larger.log", "smaller.log", "negative.log"):
                    real = os.path.getsize(path)
                    self.respond("213 %s" % {"larger.log": real + 100, "smaller.log": 100,
                                             "negative.log": -5}[name])
                    return
                if hostile and name == "chatty.log":
                    self.push_with_producer(EndlessReply(b"213-and so on, and so on\r\n", b"213 5\r\n"))
                    return
                return FTPHandler.ftp_SIZE(self, path)

            def ftp_PASS(self, line):
                if hostile and self.username == "owned":
                    self.respond(OWNED_REPLY)
                    return
                return FTPHandler.ftp_PASS(self, line)

        Handler.authorizer = authorizer
        Handler.abstracted_fs = DosStyleFS
        Handler.dtp_handler = Dtp
        Handler.banner = "Trevix test server ready."
        Handler.use_sendfile = False  # sendfile would bypass the throttle
        Handler.auth_failed_timeout = 0.1  # keep the wrong-password test quick

        server = FTPServer(("127.0.0.1", 0), Handler)
        server.max_cons = 64
        port = server.socket.getsockname()[1]

        def stop(*_):
            shutil.rmtree(root, ignore_errors=True)
            os._exit(0)

        signal.signal(signal.SIGTERM, stop)

        def watch_stdin():
            try:
                while sys.stdin.buffer.read(1024):
                    pass
            except Exception:
                pass
            stop()

        threading.Thread(target=watch_stdin, daemon=True).start()

        import logging
        logging.basicConfig(level=logging.ERROR)
        sys.stdout.write("%d\n" % port)
        sys.stdout.flush()
        server.serve_forever(handle_exit=False)
    finally:
        shutil.rmtree(root, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
