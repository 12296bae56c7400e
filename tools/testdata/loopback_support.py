"""What the command's loopback tests share: a checker that counts failures,
and an environment in which `pagerates` reaches 127.0.0.1 directly."""

import os
import sys


class Checker:
    def __init__(self):
        self.failures = 0

    def expect(self, condition, message):
        if not condition:
            self.failures += 1
            print("FAILED:", message, file=sys.stderr)


def loopback_env(**extra):
    """os.environ plus `extra`, with no proxy between the program and
    127.0.0.1."""
    env = dict(os.environ, **extra)
    for proxy in ("http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"):
        env.pop(proxy, None)
    env["no_proxy"] = env["NO_PROXY"] = "127.0.0.1"
    return env
