"""A loopback FTP server for the tests of the internet helper (run with Debian's /usr/bin/python3).

usage: ftp_server.py ROOT [--tls CERT KEY] [--cut NAME] [--stall NAME] [--logins FILE]

Serves ROOT to the user "vornel" (password "trovemi4") on a free port of 127.0.0.1 and prints
"PORT <n>" once it listens. --tls requires explicit TLS (AUTH TLS) on control and data. A file
named by --cut sends half of its bytes and then reports the transfer complete; a file named by
--stall sends its first block and then nothing more. Each login adds a line to the file named
by --logins.
"""
import argparse
import logging
import os
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import ThreadedFTPServer


class CutFile:
    """Reads as the file until half of it, then as its end."""

    def __init__(self, file, limit):
        self._file, self._left = file, limit
        self.name, self.closed = file.name, False

    def read(self, size=-1):
        if self._left <= 0:
            return b""
        data = self._file.read(min(size if size >= 0 else self._left, self._left))
        self._left -= len(data)
        return data

    def close(self):
        self.closed = True
        self._file.close()


class StallFile(CutFile):
    def read(self, size=-1):
        if self._left <= 0:
            time.sleep(3600)
        return super().read(size)


def make_fs(cut, stall):
    class MisbehavingFS(AbstractedFS):
        def open(self, filename, mode):
            file = super().open(filename, mode)
            name = os.path.basename(filename)
            if name == cut:
                return CutFile(file, os.path.getsize(filename) // 2)
            if name == stall:
                return StallFile(file, 65536)
            return file

    return MisbehavingFS


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"))
    parser.add_argument("--cut")
    parser.add_argument("--stall")
    parser.add_argument("--logins")
    args = parser.parse_args()

    authorizer = DummyAuthorizer()
    authorizer.add_user("vornel", "trovemi4", args.root, perm="elr")
    if args.tls:
        from pyftpdlib.handlers import TLS_FTPHandler

        handler = TLS_FTPHandler
        handler.tls_control_required = True
        handler.tls_data_required = True
        from OpenSSL import SSL
        from pyftpdlib.handlers import TLS_DTPHandler

        class EarlyHandshakeDTP(TLS_DTPHandler):
            """Takes a data connection's TLS handshake before the transfer command, as clients
            that secure the connection at once need (the library would close it)."""

            def readable(self):
                return True if self._ssl_accepting else super().readable()

        handler.dtp_handler = EarlyHandshakeDTP
        # Clients resume the control connection's TLS session on the data connections: the
        # server's context needs a session id context for that, which the library's own lacks.

        context = SSL.Context(SSL.SSLv23_METHOD)
        context.use_certificate_chain_file(args.tls[0])
        context.use_privatekey_file(args.tls[1])
        context.set_options(SSL.OP_NO_SSLv2 | SSL.OP_NO_SSLv3 | SSL.OP_NO_TLSv1_3)
        context.set_session_id(b"lifto-tests")
        handler.ssl_context = context
    else:
        handler = FTPHandler
    handler.authorizer = authorizer
    if args.logins:
        base = handler

        class CountingHandler(base):
            def on_login(self, username):
                with open(args.logins, "a") as out:
                    out.write(username + "\n")
                super().on_login(username)

        handler = CountingHandler
    handler.abstracted_fs = make_fs(args.cut, args.stall)
    handler.passive_ports = None
    handler.auth_failed_timeout = 0.1
    from pyftpdlib.log import config_logging

    config_logging(level=logging.WARNING)
    server = ThreadedFTPServer(("127.0.0.1", 0), handler)
    print("PORT", server.address[1], flush=True)
    sys.stdout.close()
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
