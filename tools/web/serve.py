#!/usr/bin/python3
"""Serves the game's site folder on 127.0.0.1, as a static host would: each
file with its type, and where the browser accepts gzip and the folder has
FILE.gz beside FILE, the gzipped copy with Content-Encoding: gzip.

    serve.py SITE_DIR PORT
"""

import functools
import http.server
import os
import sys

TYPES = {
    ".wasm": "application/wasm",
    ".js": "text/javascript",
    ".webmanifest": "application/manifest+json",
    ".data": "application/octet-stream",
}


def accepts_gzip(header):
    """Whether an Accept-Encoding header allows gzip (not given as q=0)."""
    for item in (header or "").split(","):
        name, _, params = item.strip().partition(";")
        if name.strip().lower() in ("gzip", "*"):
            quality = params.strip()
            if quality.startswith("q="):
                try:
                    return float(quality[2:]) > 0
                except ValueError:
                    return False
            return True
    return False


class SiteHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map, **TYPES)
    # Requests served, with whether each went gzipped, for the tests.
    served = None

    def send_head(self):
        path = self.translate_path(self.path)
        if os.path.isdir(path):
            path = os.path.join(path, "index.html")
        packed = path + ".gz"
        if (not accepts_gzip(self.headers.get("Accept-Encoding")) or not os.path.isfile(packed)
                or not os.path.isfile(path)):
            return super().send_head()
        try:
            file = open(packed, "rb")
        except OSError:
            return super().send_head()
        self.send_response(200)
        self.send_header("Content-Type", self.guess_type(path))
        self.send_header("Content-Encoding", "gzip")
        self.send_header("Vary", "Accept-Encoding")
        self.send_header("Content-Length", str(os.fstat(file.fileno()).st_size))
        self.end_headers()
        if self.served is not None:
            self.served.append((self.path, "gzip"))
        return file

    def end_headers(self):
        # The page and its worker are checked on every load, so that a new
        # build is found; the worker's cache keeps them for offline play.
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()

    def log_message(self, *args):
        pass


def server(directory, port=0, served=None):
    handler = functools.partial(type("Handler", (SiteHandler,), {"served": served}),
                                directory=directory)
    return http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)


def main():
    if len(sys.argv) != 3 or not os.path.isdir(sys.argv[1]) or not sys.argv[2].isdigit():
        print("usage: serve.py SITE_DIR PORT", file=sys.stderr)
        return 2
    with server(sys.argv[1], int(sys.argv[2])) as site:
        try:
            site.serve_forever()
        except KeyboardInterrupt:
            pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
