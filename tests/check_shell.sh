#!/bin/sh
# Fails when ShellCheck finds anything in a shell script of the project: those
# of scripts/, tests/ and tests/windows/, the autopkgtests of debian/tests/ and
# CI's .ci/run.  A file there is a shell script by its first line (#!/bin/sh,
# #!/bin/bash, or either through /usr/bin/env); the others (CMake and C++
# sources, debian/tests/control) are passed over.  A finding that is meant is
# annotated at its line: "# shellcheck disable=SCxxxx # why".
# Usage: check_shell.sh SOURCE_DIR [SHELLCHECK]
set -eu
source=$1
shellcheck=${2:-shellcheck}
cd "$source"
set --
for file in scripts/* tests/* tests/windows/* debian/tests/* .ci/run; do
    [ -f "$file" ] || continue
    case $(head -n 1 "$file") in
    '#!/bin/sh' | '#!/bin/sh '* | '#!/bin/bash' | '#!/bin/bash '* | '#!/usr/bin/env sh' | \
        '#!/usr/bin/env bash')
        set -- "$@" "$file"
        ;;
    esac
done
# A wrong folder would otherwise pass with nothing checked.
[ $# -gt 0 ] || { echo "no shell script found in $source"; exit 1; }
# -x: the checks that source tests/check_common.sh are read with it.
"$shellcheck" -x "$@"
echo "$# shell scripts pass ShellCheck: $*"
