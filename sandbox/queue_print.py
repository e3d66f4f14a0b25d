#!/usr/bin/python3
"""Queues documents for a print account of the sandbox, as printing on the remote desktop would.

    sandbox/queue_print.py --state-dir STATE [--account demo] [--fallback] FILE...

Each file is copied next to the queue folder first and then renamed into it, so the print queue
never sees it half-written.
"""
import argparse
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

QUEUE_FOLDER = ".mirlprinting"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--state-dir", required=True, help="the running sandbox's state folder")
    parser.add_argument("--account", default="demo", help="folder-safe account name (default demo)")
    parser.add_argument("--fallback", action="store_true",
                        help="use the fallback layout <account>/.mirlprinting/ inside the root")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()

    root = os.path.join(args.state_dir, "print", args.account)
    folder = os.path.join(root, args.account, QUEUE_FOLDER) if args.fallback else \
        os.path.join(root, QUEUE_FOLDER)
    os.makedirs(folder, exist_ok=True)
    for path in args.files:
        name = os.path.basename(path)
        staging = os.path.join(root, "." + name + ".partial")
        shutil.copyfile(path, staging)
        os.replace(staging, os.path.join(folder, name))
        print(os.path.join(folder, name))


if __name__ == "__main__":
    main()
