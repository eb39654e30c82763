#!/usr/bin/python3
"""FTP server for tests: serves one folder on 127.0.0.1 with pyftpdlib and
writes --pid-file once it listens."""

import argparse
import os

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--dir", required=True)
    parser.add_argument("--user", default="", help="empty: anonymous read access")
    parser.add_argument("--password", default="")
    parser.add_argument("--pid-file", required=True)
    args = parser.parse_args()

    authorizer = DummyAuthorizer()
    if args.user:
        authorizer.add_user(args.user, args.password, args.dir, perm="elr")
    else:
        authorizer.add_anonymous(args.dir)
    FTPHandler.authorizer = authorizer
    FTPHandler.auth_failed_timeout = 0  # refuse wrong logins at once

    server = FTPServer(("127.0.0.1", args.port), FTPHandler)
    with open(args.pid_file, "w") as pid:
        pid.write(str(os.getpid()))
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
