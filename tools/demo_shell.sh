#!/bin/sh
# The program the loopback telnet server runs for its client: a plain interactive
# shell with a prompt that tests and the demo can wait for.
PS1='corvane$ '
HOME=${CORVANE_TEST_HOME:-/tmp}
export PS1 HOME
cd "$HOME" 2>/dev/null
exec /bin/sh -i
