#!/usr/bin/python3
"""A keyring that never answers: owns org.freedesktop.secrets on the session
bus and reads none of the calls sent to it, until it is killed."""
import signal
import sys

import dbus

bus = dbus.SessionBus()
if bus.request_name("org.freedesktop.secrets", dbus.bus.NAME_FLAG_DO_NOT_QUEUE) != \
        dbus.bus.REQUEST_NAME_REPLY_PRIMARY_OWNER:
    sys.exit("silent_keyring: org.freedesktop.secrets is taken")
while True:
    signal.pause()
