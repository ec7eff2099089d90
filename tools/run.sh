#!/usr/bin/env bash
# Runs Kestrane against the virtual acceptor. Not there yet: the program and the acceptor come
# next; until then this says so and fails, so nobody mistakes it for a working run.
echo "make run: the monitor and its virtual acceptor are not built yet." >&2
exit 1
