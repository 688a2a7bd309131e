"""How the kit speaks to its user: every message goes to standard error, prefixed with the
command's name."""
import sys


class Refusal(Exception):
    """A refusal the user can act on: the message names the file and what to do."""


def warn(message):
    print("qvtheme: warning: %s" % message, file=sys.stderr)


def say(message):
    print("qvtheme: %s" % message, file=sys.stderr)
