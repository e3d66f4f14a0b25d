"""Placeholder: this side of the sandbox is not built yet."""


def add_arguments(parser):
    parser.add_argument("--print-queue", action="store_true")


def start(args, ctx):
    return {}
