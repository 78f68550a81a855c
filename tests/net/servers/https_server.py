"""A loopback HTTPS server for the tests of the internet helper (run with Debian's /usr/bin/python3).

usage: https_server.py ROOT CERT KEY

Serves ROOT over TLS with CERT and KEY on a free port of 127.0.0.1 to the user "vornel"
(password "trovemi4", basic authentication; anything else is 401) and prints "PORT <n>" once it
listens. A folder is its index page, a file its bytes.
"""
import base64
import functools
import http.server
import ssl
import sys

ACCOUNT = "Basic " + base64.b64encode(b"vornel:trovemi4").decode("ascii")


class Handler(http.server.SimpleHTTPRequestHandler):
    def _authorised(self):
        if self.headers.get("Authorization") == ACCOUNT:
            return True
        self.send_response(401)
        self.send_header("WWW-Authenticate", 'Basic realm="updates"')
        self.send_header("Content-Length", "0")
        self.end_headers()
        return False

    def do_GET(self):
        if self._authorised():
            super().do_GET()

    def do_HEAD(self):
        if self._authorised():
            super().do_HEAD()

    def log_message(self, format, *args):
        pass


def main():
    root, cert, key = sys.argv[1:4]
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Handler, directory=root))
    server.socket = context.wrap_socket(server.socket, server_side=True)
    print("PORT", server.server_address[1], flush=True)
    sys.stdout.close()
    server.serve_forever()


if __name__ == "__main__":
    main()
