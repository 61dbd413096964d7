#!/bin/sh
# The program a test telnet server runs for its client: a plain interactive
# shell with a prompt the tests can wait for, in the tests' own folder.
PS1='corvane$ '
HOME=${CORVANE_TEST_HOME:-/tmp}
export PS1 HOME
cd "$HOME" 2>/dev/null
exec /bin/sh -i
