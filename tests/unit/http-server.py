# A local HTTP server for the client's tests, on 127.0.0.1 at a free port that it prints
# first. It serves the files of the folder given, answers /redirect with a redirect to /x
# and /twice with a header sent twice, and echoes any other method: the method, then each
# request header as "name: value", a blank line and the body. It ends when its standard
# input closes.
import functools
import http.server
import sys
import threading


class Handler(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        if self.path == "/redirect":
            self.send_response(302)
            self.send_header("Location", "/x")
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif self.path == "/twice":
            body = b"two"
            self.send_response(200)
            self.send_header("X-Twice", "one")
            self.send_header("X-Twice", "two")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        else:
            super().do_GET()

    def echo(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length)
        lines = [self.command] + [f"{k}: {v}" for k, v in self.headers.items()]
        reply = ("\n".join(lines) + "\n\n").encode() + body
        self.send_response(200)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    do_POST = do_PUT = do_DELETE = do_PATCH = echo

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Handler, directory=sys.argv[1]))
print(server.server_address[1], flush=True)
threading.Thread(target=server.serve_forever, daemon=True).start()
sys.stdin.read()
server.shutdown()
