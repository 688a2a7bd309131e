"""How the kit speaks to its user: every message goes to standard error, prefixed with the
command's name; a folder it cannot write into is a refusal in those words, not a traceback."""
import sys


class Refusal(Exception):
    """A refusal the user can act on: the message names the file and what to do."""


def warn(message):
    print("qvtheme: warning: %s" % message, file=sys.stderr)


def say(message):
    print("qvtheme: %s" % message, file=sys.stderr)


def make_output_folder(folder):
    """Makes the folder the output goes into (with its parents), or refuses saying why: the
    user's -o or OUT.png names it, so a file in the way or a path the system refuses is theirs
    to change."""
    try:
        folder.mkdir(parents=True, exist_ok=True)
    except OSError as error:
        raise Refusal("%s: cannot be made a folder for the output (%s): give another"
                      % (folder, error.strerror or error)) from None
