#!/bin/sh
# The fleet example (examples/ansible/collect.yml) run by ansible-playbook
# against this host over the local connection: the local fact installed in a
# scratch folder, the facts read back, and the lines it wrote for this host
# the same as veskid allid's.
# Usage: check_ansible_facts.sh SOURCE_DIR VESK_HOSTID VESKID
set -eu
source_dir=$1
tool=$2
veskid=$3
# The fact runs in a folder of Ansible's choosing.
case $tool in /*) ;; *) tool=$PWD/$tool ;; esac
command -v ansible-playbook >/dev/null || {
    echo "ansible-playbook is missing (scripts/install-deps installs ansible-core)"
    exit 1
}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf 'localhost ansible_connection=local ansible_python_interpreter=/usr/bin/python3\n' \
    >"$dir/inventory"
mkdir "$dir/out" "$dir/tmp"
if ! ANSIBLE_HOME="$dir/home" ANSIBLE_LOCAL_TEMP="$dir/tmp" ANSIBLE_REMOTE_TEMP="$dir/tmp" \
    ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0 \
    ansible-playbook -i "$dir/inventory" "$source_dir/examples/ansible/collect.yml" \
    -e "vesk_fact_dir=$dir/facts.d" -e "vesk_out_dir=$dir/out" -e "vesk_hostid_command=$tool" \
    >"$dir/log" 2>&1; then
    echo "FAILED: ansible-playbook:"
    cat "$dir/log"
    exit 1
fi
"$veskid" allid >"$dir/expected"
if ! cmp -s "$dir/out/localhost.txt" "$dir/expected"; then
    echo "FAILED: the lines collected by Ansible are not veskid allid's:"
    diff "$dir/expected" "$dir/out/localhost.txt" | sed 's/^/  /'
    exit 1
fi
echo "ansible: the fact's identifiers are veskid allid's lines:"
sed 's/^/  /' "$dir/out/localhost.txt"
