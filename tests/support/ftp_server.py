#!/usr/bin/python3
# FTP server for tests: serves a folder read-only to one login on 127.0.0.1
# with pyftpdlib and writes the pid file once it listens.
# Arguments: PORT PID_FILE FOLDER USER PASSWORD

import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

port, pid_file, folder, user, password = sys.argv[1:]
FTPHandler.authorizer = DummyAuthorizer()
FTPHandler.authorizer.add_user(user, password, folder, perm="elr")
FTPHandler.auth_failed_timeout = 0  # refuse wrong logins at once
server = FTPServer(("127.0.0.1", int(port)), FTPHandler)
with open(pid_file, "w") as pid:
    pid.write(str(os.getpid()))
server.serve_forever(handle_exit=True)
