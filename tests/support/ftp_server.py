#!/usr/bin/python3
"""FTP server for tests: serves one folder on 127.0.0.1 with pyftpdlib.

Prints "PORT <n>" once it listens. With --break-after N the data connection of
a download is closed when the transfer reaches byte N of the file (the client
gets 426), so resuming with REST can be tested; a RETR that starts at or after
byte N runs to the end. Every command received is appended to --command-log.
"""

import argparse
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.log import logger
from pyftpdlib.servers import FTPServer


class CuttingDTPHandler(DTPHandler):
    cut_at = -1  # file offset where downloads are cut; -1: never
    cuts_left = -1  # downloads still to cut; -1: every one

    def __init__(self, sock, cmd_channel):
        self._cut_after = None
        self._cut_scheduled = False
        super().__init__(sock, cmd_channel)

    def push_with_producer(self, producer):
        # Only file downloads carry a file; listings are never cut.
        file_obj = getattr(producer, "file", None)
        cls = CuttingDTPHandler
        if cls.cut_at >= 0 and cls.cuts_left != 0 and file_obj is not None:
            start = file_obj.tell()
            if start < cls.cut_at:
                self._cut_after = cls.cut_at - start
                if cls.cuts_left > 0:
                    cls.cuts_left -= 1
        super().push_with_producer(producer)

    def send(self, data):
        if self._cut_after is None:
            return super().send(data)
        sent = 0
        room = self._cut_after - self.tot_bytes_sent
        if room > 0:
            sent = super().send(data[:room])
        if self.tot_bytes_sent >= self._cut_after and not self._cut_scheduled:
            # Close outside of asynchat's send loop, on the next turn of the loop.
            self._cut_scheduled = True
            self.call_later(0, self._cut)
        return sent

    def _cut(self):
        self._resp = ("426 Connection closed; transfer aborted.", logger.info)
        self.close()


class RecordingFTPHandler(FTPHandler):
    dtp_handler = CuttingDTPHandler
    command_log = None

    def pre_process_command(self, line, cmd, arg):
        if self.command_log is not None:
            self.command_log.write(("PASS ****" if cmd == "PASS" else line) + "\n")
            self.command_log.flush()
        super().pre_process_command(line, cmd, arg)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--port", type=int, default=0, help="0: any free port")
    parser.add_argument("--dir", required=True, help="folder to serve")
    parser.add_argument("--user", default="", help="empty: anonymous read access")
    parser.add_argument("--password", default="")
    parser.add_argument("--break-after", type=int, default=-1)
    parser.add_argument("--break-count", type=int, default=-1)
    parser.add_argument("--command-log", default="")
    args = parser.parse_args()

    authorizer = DummyAuthorizer()
    if args.user:
        authorizer.add_user(args.user, args.password, args.dir, perm="elr")
    else:
        authorizer.add_anonymous(args.dir)

    handler = RecordingFTPHandler
    handler.authorizer = authorizer
    handler.banner = "pg test server ready."
    handler.auth_failed_timeout = 0  # refuse wrong logins at once, tests need no delay
    if args.command_log:
        handler.command_log = open(args.command_log, "a", encoding="utf-8")
    if args.break_after >= 0:
        CuttingDTPHandler.cut_at = args.break_after
        CuttingDTPHandler.cuts_left = args.break_count
        handler.use_sendfile = False  # the cut needs every byte to pass through send()

    server = FTPServer(("127.0.0.1", args.port), handler)
    print("PORT %d" % server.address[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    sys.exit(main())
