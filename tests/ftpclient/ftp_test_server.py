#!/usr/bin/python3
"""Loopback FTP server for the FTP client's tests and benchmark.

Plain FTP, or explicit TLS when --cert is given. --encoding cp1250 makes it speak file names
the way old Windows hosts do; --no-rename refuses renaming; new files in a folder named by --full-folder fail as on a full disk.
The hostile options: --extra-listing names a JSON file of {"dir", "line"} objects whose lines are
added to the listing of that folder (relative to the root, "" for the root itself);
--no-size refuses SIZE; --short-reads sends only the first half of every downloaded file and
then closes the data connection as if it were done.
Prints "READY" once it listens.
"""
import argparse
import errno
import io
import json
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler, TLS_DTPHandler, TLS_FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--user", default="webrix")
    parser.add_argument("--password", default="titok")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--encoding", default="utf8")
    parser.add_argument("--full-folder", default="")
    parser.add_argument("--no-rename", action="store_true")
    parser.add_argument("--extra-listing", default="")
    parser.add_argument("--no-size", action="store_true")
    parser.add_argument("--short-reads", action="store_true")
    args = parser.parse_args()

    wire = args.encoding
    root = os.path.realpath(args.root)
    extra = {}
    if args.extra_listing:
        with open(args.extra_listing, encoding="utf8") as source:
            for item in json.load(source):
                folder = os.path.normpath(os.path.join(root, item["dir"]))
                extra.setdefault(folder, []).append(item["line"])

    class HalfFile(io.BytesIO):
        def __init__(self, name, data):
            super().__init__(data[: len(data) // 2])
            self.name = name

    class TestFS(AbstractedFS):
        def open(self, filename, mode):
            folder = os.path.basename(os.path.dirname(filename))
            if args.full_folder and folder == args.full_folder and ("w" in mode or "a" in mode):
                raise OSError(errno.ENOSPC, os.strerror(errno.ENOSPC))
            if args.short_reads and "r" in mode:
                with super().open(filename, mode) as real:
                    return HalfFile(filename, real.read())
            return super().open(filename, mode)

        def format_list(self, basedir, listing, ignore_err=True):
            for line in super().format_list(basedir, listing, ignore_err):
                yield line.decode("utf8").encode(wire, "replace")
            for line in extra.get(os.path.normpath(os.path.realpath(basedir)), []):
                yield (line + "\r\n").encode(wire, "surrogateescape")

    class EagerTlsDataHandler(TLS_DTPHandler):
        """libcurl starts the data channel's TLS handshake before it sends STOR or RETR; the
        stock handler takes that early traffic for a hang-up and closes the channel."""

        def readable(self):
            if self._ssl_accepting:
                return True
            if not self.receive and not self._initialized:
                return self._ssl_want_read
            return super().readable()

    base = TLS_FTPHandler if args.cert else FTPHandler

    class Handler(base):
        def decode(self, data):
            return data.decode(wire, self.unicode_errors)

        def ftp_SIZE(self, path):
            if args.no_size:
                self.respond("502 SIZE not implemented.")
                return
            return super().ftp_SIZE(path)

    authorizer = DummyAuthorizer()
    perm = "elradmwMT" if args.no_rename else "elradfmwMT"
    authorizer.add_user(args.user, args.password, args.root, perm=perm)
    Handler.authorizer = authorizer
    Handler.abstracted_fs = TestFS
    Handler.passive_ports = None
    Handler.permit_foreign_addresses = False
    if args.cert:
        Handler.certfile = args.cert
        Handler.keyfile = args.key
        Handler.tls_control_required = True
        Handler.tls_data_required = True
        Handler.dtp_handler = EagerTlsDataHandler

    server = FTPServer(("127.0.0.1", args.port), Handler)
    server.max_cons = 64
    print("READY", flush=True)
    # A short poll timeout: with the default second, a data connection that arrives while the
    # previous one is still closing can sit unnoticed for that long.
    server.serve_forever(timeout=0.01, handle_exit=True)


if __name__ == "__main__":
    sys.exit(main())
