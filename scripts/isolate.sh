#!/usr/bin/env bash
# isolate.sh [--new] CMD [ARG...]
# Runs CMD inside a private network namespace so that nothing it sends (the
# program's UDP discovery broadcasts included) can leave this machine.
# Inside a namespace already (NETLAB=1), CMD runs in it as it is; --new gives
# CMD a namespace of its own even then, so that tests using the same fixed
# addresses and ports can run side by side.
# Inside: loopback, and a veth pair of test interfaces
#   lab0 192.0.2.1/24            broadcast 192.0.2.255
#   lab1 192.0.2.2/24, 192.0.2.3/24, broadcast 192.0.2.255
# and NETLAB=1. Simulated network sensors listen on 192.0.2.2 / 192.0.2.3.
# Where no namespace can be made (not root, no unshare), CMD runs as it is
# with NETLAB unset, and every test that needs the network skips itself.
set -euo pipefail
own_namespace=0
if [ "${1:-}" = --new ]; then
    own_namespace=1
    shift
fi
if [ "$#" -eq 0 ]; then
    echo "usage: isolate.sh [--new] CMD [ARG...]" >&2
    exit 2
fi
if [ "${NETLAB:-}" = 1 ] && [ "$own_namespace" = 0 ]; then
    exec "$@"
fi
if [ "$(id -u)" -ne 0 ] || ! command -v unshare >/dev/null || ! command -v ip >/dev/null; then
    # Without a namespace of its own a network test must not share the one
    # around it with others: it runs as it is and skips itself.
    unset NETLAB
    echo "isolate.sh: cannot make a private network namespace here; network tests will be skipped" >&2
    exec "$@"
fi
exec unshare --net --fork --kill-child bash -c '
    set -e
    ip link set lo up
    ip link add lab0 type veth peer name lab1
    ip addr add 192.0.2.1/24 broadcast 192.0.2.255 dev lab0
    ip addr add 192.0.2.2/24 broadcast 192.0.2.255 dev lab1
    ip addr add 192.0.2.3/24 broadcast 192.0.2.255 dev lab1
    ip link set lab0 up
    ip link set lab1 up
    export NETLAB=1
    exec "$@"
' isolate "$@"
