#!/usr/bin/env python3
"""A throw-away SFTP server for the tests (asyncssh).

Serves FOLDER on 127.0.0.1 on a free port with the host key HOSTKEY, accepts USER with
PASSWORD or with the public key in AUTHORIZED (optional), prints the port on stdout once it
listens, and stops when stdin reaches end of file or on SIGTERM.

Usage: sftp_server.py FOLDER HOSTKEY USER PASSWORD [AUTHORIZED_KEYS]
"""
import asyncio
import os
import signal
import sys
import warnings

warnings.simplefilter("ignore")  # asyncssh's crypto deprecation notices are noise here
import asyncssh  # noqa: E402


def main():
    if len(sys.argv) not in (5, 6):
        sys.stderr.write(__doc__)
        return 2
    folder, hostkey, user, password = sys.argv[1:5]
    authorized = sys.argv[5] if len(sys.argv) == 6 else None

    class Server(asyncssh.SSHServer):
        def begin_auth(self, username):
            if authorized:
                self._conn.set_authorized_keys(authorized)
            return True

        def connection_made(self, conn):
            self._conn = conn

        def password_auth_supported(self):
            return True

        def validate_password(self, username, pw):
            return username == user and pw == password

        def public_key_auth_supported(self):
            return authorized is not None

    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)

    async def start():
        return await asyncssh.listen(
            "127.0.0.1", 0, server_host_keys=[hostkey], server_factory=Server,
            sftp_factory=lambda chan: asyncssh.SFTPServer(chan, chroot=folder))

    server = loop.run_until_complete(start())
    port = server.sockets[0].getsockname()[1]

    def stop(*_):
        os._exit(0)

    signal.signal(signal.SIGTERM, stop)
    loop.add_reader(sys.stdin.fileno(), lambda: os.read(sys.stdin.fileno(), 1024) or stop())
    sys.stdout.write("%d\n" % port)
    sys.stdout.flush()
    loop.run_forever()
    return 0


if __name__ == "__main__":
    sys.exit(main())
