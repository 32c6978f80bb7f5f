#!/bin/sh
# drav-manual.sh: what help2man reads to write drav(1), all of it drav's own
# help (DRAV names the program): drav --help and every command's --help, as
# sections, with the usage lines and exit codes in the forms help2man knows.
set -e
case $1 in
  --version) exec "$DRAV" --version ;;
esac
"$DRAV" --help |
  sed -E 's/^usage:/Usage:/; s/^       (drav )/  or:  \1/; /^exit codes:/,/^$/ s/^ +//; s/^exit codes: /Exit status:\n/'
for command in encode decode info; do
  printf '\nThe %s command:\n\n' "$command"
  "$DRAV" "$command" --help | sed 's/^usage: //'
done
