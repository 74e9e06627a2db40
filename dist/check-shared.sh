#!/bin/sh
# A working folder two system accounts share (pellaro-start --shared): each
# account's program and tool runs leave every file of the group and writable
# by it, whatever the account's umask; an account the folder refuses is told
# the file, the account and the command that mends it.
#   check-shared.sh START_SCRIPT PELLARO PELLARO_TABLES
# Adds two accounts and a group for the run and removes them after; needs root.
set -eu
if [ "$(id -u)" -ne 0 ]; then
    echo "check-shared: skipped, adding the two test accounts needs root"
    exit 77
fi
start=$1 program=$2 tool=$3
tag=pt$$
group=${tag}g
work=$(mktemp -d /tmp/pellaro-shared.XXXXXX)
chmod 755 "$work"
cleanup() {
    for account in ${tag}a ${tag}b ${tag}c; do userdel "$account" 2>/dev/null || true; done
    groupdel "$group" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
groupadd "$group"
useradd -M -N -s /bin/sh -G "$group" ${tag}a
useradd -M -N -s /bin/sh -G "$group" ${tag}b
useradd -M -N -s /bin/sh ${tag}c

# The start script beside the program and the tool, as the package has them.
mkdir "$work/bin" "$work/home"
chmod 1777 "$work/home"
cp "$start" "$work/bin/pellaro-start"
ln -s "$program" "$work/bin/pellaro"
ln -s "$tool" "$work/bin/pellaro-tables"
dir=$work/site
faults=0
fault() {
    echo "FAULT: $*"
    faults=$((faults + 1))
}

# Runs a command as an account with the desktop's usual umask 022.
as() {
    account=$1
    shift
    runuser -u "$account" -- env HOME="$work/home/$account" QT_QPA_PLATFORM=offscreen \
        sh -c 'umask 022; mkdir -p "$HOME"; "$@"' sh "$@"
}

# The program runs until it has written config.ini (at every start, as the
# account that runs it), then it is stopped.
run_program() {
    as "$1" sh -c 'cd "$1" && exec "$2"' sh "$dir" "$work/bin/pellaro" >/dev/null 2>&1 &
    runner=$!
    for _ in $(seq 100); do
        [ "$(stat -c %U "$dir/config.ini" 2>/dev/null)" = "$1" ] && break
        sleep 0.1
    done
    sleep 0.5
    # Every process of the test account is the program's run.
    for p in /proc/[0-9]*; do
        [ "$(stat -c %U "$p" 2>/dev/null)" = "$1" ] && kill -TERM "${p#/proc/}" 2>/dev/null || true
    done
    wait "$runner" || true
    [ "$(stat -c %U "$dir/config.ini" 2>/dev/null)" = "$1" ] || fault "the program of $1 wrote no config.ini"
}

"$work/bin/pellaro-start" --shared "$dir" "$group" >/dev/null
run_program ${tag}a
printf 'NAME,SURNAME\r\nKowalski,Jan\r\n' >"$work/in.csv"
chmod 644 "$work/in.csv"
as ${tag}b "$work/bin/pellaro-tables" import persons "$dir" "$work/in.csv" >/dev/null || fault "import by ${tag}b"
as ${tag}b "$work/bin/pellaro-tables" backup "$dir" >/dev/null || fault "backup by ${tag}b"
run_program ${tag}b
[ -d "$dir/backup" ] || fault "no backup"

# Every file and folder of the group, files readable and writable by it,
# folders set-group-ID.
for f in $(find "$dir"); do
    [ "$(stat -c %G "$f")" = "$group" ] || fault "$f belongs to the group $(stat -c %G "$f")"
    if [ -d "$f" ]; then
        [ "$(stat -c %A "$f" | cut -c5-7)" = rws ] || fault "folder $f: $(stat -c %A "$f")"
    else
        [ "$(stat -c %A "$f" | cut -c5-6)" = rw ] || fault "file $f: $(stat -c %A "$f")"
    fi
done
owners=$(stat -c %U "$dir"/*.dbf "$dir"/config.ini | sort -u | tr '\n' ' ')
echo "owners of the tables and config.ini: $owners"

# Refused: an account outside the group, and a member facing a file that lost
# the group's access; each is told the file, the account and the command.
message=$(as ${tag}c "$work/bin/pellaro-tables" import persons "$dir" "$work/in.csv" 2>&1) && fault "${tag}c imported"
case $message in
*"\"${tag}c\""*"$dir"*"sudo adduser ${tag}c $group"*) ;;
*) fault "an account outside the group was told: $message" ;;
esac
chmod g-w "$dir/osoby.dbf"
message=$(as ${tag}b "$work/bin/pellaro-tables" import persons "$dir" "$work/in.csv" 2>&1) && fault "${tag}b imported"
case $message in
*"\"${tag}b\""*"$dir/osoby.dbf"*"sudo pellaro-start --shared $dir $group"*) ;;
*) fault "a member refused a file was told: $message" ;;
esac
"$work/bin/pellaro-start" --shared "$dir" "$group" >/dev/null
as ${tag}b "$work/bin/pellaro-tables" import persons "$dir" "$work/in.csv" >/dev/null ||
    fault "the folder mended by pellaro-start --shared still refuses ${tag}b"

# A member whose session began before it joined the group (stale: without
# the groups of the system's list) is told to log out and in by the start,
# the tool's cards and its backup; an account outside it, how it joins.
session() {
    kind=$1 account=$2
    shift 2
    set -- env HOME="$work/home/$account" QT_QPA_PLATFORM=offscreen "$@"
    [ "$kind" = stale ] && set -- setpriv --reuid="$account" --regid="$(id -g "$account")" --clear-groups "$@"
    [ "$kind" = stale ] || set -- runuser -u "$account" -- "$@"
    timeout 20 "$@"
}
while IFS='|' read -r account kind command answer; do
    # shellcheck disable=SC2086
    message=$(session "$kind" "$account" $command 2>&1) && fault "$command as $account ran: $message"
    case $message in *"$answer"*) ;; *) fault "$command as $account ($kind) was told: $message" ;; esac
done <<EOF
${tag}a|stale|$work/bin/pellaro-start $dir|this session began before it joined: log out and log in again
${tag}a|stale|$work/bin/pellaro-tables cards $dir|this session began before it joined: log out and log in again
${tag}a|stale|$work/bin/pellaro-tables backup $dir|this session began before it joined: log out and log in again
${tag}c|as|$work/bin/pellaro-start $dir|sudo adduser ${tag}c $group
EOF

# Run as root, --shared follows no link: a stand-in for /etc keeps its owner
# and modes whatever DIR names. Each row: what, DIR, and a part of the refusal
# ("" where the folder is shared and only what is really in it changed).
mkdir -p "$work/etc" "$work/real" "$work/open" "$work/theirs" "$work/inner"
printf 'root:*:1::::::\n' >"$work/etc/shadow"
chmod 640 "$work/etc/shadow"
chmod 777 "$work/open"
chown nobody "$work/theirs"
ln -s "$work/etc" "$work/linkdir"
ln -s "$work/real" "$work/uplink"
ln -s "$work/etc" "$work/inner/etc"
ln -s "$work/etc/shadow" "$work/inner/shadow"
ln "$work/etc/shadow" "$work/inner/hard"
before=$(stat -c '%n %U:%G %a' "$work/etc" "$work/etc/shadow")
while IFS='|' read -r what target refusal; do
    message=$("$work/bin/pellaro-start" --shared "$target" "$group" 2>&1) && status=0 || status=$?
    case $refusal in
    "") [ "$status" -eq 0 ] && [ "$(stat -c %G "$target")" = "$group" ] || fault "$what: $message" ;;
    *) [ "$status" -ne 0 ] && case $message in *"$refusal"*) true ;; *) false ;; esac ||
        fault "$what was not refused with \"$refusal\": $message" ;;
    esac
    [ "$(stat -c '%n %U:%G %a' "$work/etc" "$work/etc/shadow")" = "$before" ] ||
        fault "$what changed the stand-in for /etc: $(stat -c '%n %U:%G %a' "$work/etc" "$work/etc/shadow")"
done <<EOF
a link|$work/linkdir|is a symbolic link
a link with a trailing slash|$work/linkdir/|is a symbolic link
a folder above that is a link|$work/uplink/site|a folder above $work/uplink/site, is a symbolic link
a folder above that others may write|$work/open/site|may be changed by other accounts than root
a folder above of another account|$work/theirs/site|belongs to the account
links inside the folder|$work/inner|
links inside the folder, mended again|$work/inner/|
EOF
[ ! -e "$work/open/site" ] && [ ! -e "$work/theirs/site" ] || fault "a refused folder was made"

[ "$faults" -eq 0 ] || exit 1
echo "check-shared: two accounts share $dir"
