#!/bin/bash
# Files that are not what the command expects, given as the INI file or as
# the page: a FIFO with no writer, a pipe, a directory, a UTF-16 INI file.
# Each must be refused at once (before the module is asked anything), with
# a message that names the file and says what it is, and exit status 1.
#
# check_input_files.sh PAGERATES MODULE TESTDATA WORK
set -u
pagerates=$1 module=$2 data=$3 work=$4
rm -rf "$work"
mkdir -p "$work/dir"
ini=$data/example.ini
page=$data/example_page.html
fifo=$work/fifo.ini
mkfifo "$fifo"
utf16=$work/utf16.ini
iconv -f UTF-8 -t UTF-16 "$ini" >"$utf16"
date=(--date 2016-09-07)
failures=0

# expect NAME REGEX ARGS...: exit status 1 within the time allowed, and
# stderr matching REGEX. A command that waits is ended after 5 s.
expect() {
  local name=$1 regex=$2
  shift 2
  local start=$SECONDS
  timeout 5 "$pagerates" --module "$module" "$@" \
    >"$work/$name.out" 2>"$work/$name.err" </dev/null
  local rc=$? took=$((SECONDS - start))
  local err
  err=$(cat "$work/$name.err")
  if [[ $rc == 124 ]]; then
    echo "FAIL $name: still waiting after 5 s"
    failures=$((failures + 1))
  elif [[ $rc != 1 ]]; then
    echo "FAIL $name: exit status $rc, expected 1: $err"
    failures=$((failures + 1))
  elif ((took > 2)); then
    echo "FAIL $name: took $took s"
    failures=$((failures + 1))
  elif ! [[ $err =~ $regex ]]; then
    echo "FAIL $name: stderr '$err' does not match '$regex'"
    failures=$((failures + 1))
  else
    echo "ok $name"
  fi
}

fifo_says="^pagerates: cannot read INI file $fifo: it is a pipe or FIFO, not a regular file$"
for command in info check; do
  expect "fifo_$command" "$fifo_says" "$command" --ini "$fifo"
done
expect fifo_scan "$fifo_says" scan --ini "$fifo" "${date[@]}" "$page"
expect fifo_fetch "$fifo_says" fetch --ini "$fifo" "${date[@]}"

pipe_says="^pagerates: cannot read INI file /dev/fd/[0-9]+: it is a pipe or FIFO"
expect pipe_info "$pipe_says" info --ini <(cat "$ini")
expect pipe_check "$pipe_says" check --ini <(cat "$ini")
expect pipe_scan "$pipe_says" scan --ini <(cat "$ini") "${date[@]}" "$page"

dir_says="^pagerates: cannot read INI file $work/dir: it is a directory, not a regular file$"
expect dir_info "$dir_says" info --ini "$work/dir"
expect dir_check "$dir_says" check --ini "$work/dir"
expect dir_scan "$dir_says" scan --ini "$work/dir" "${date[@]}" "$page"

page_says="^pagerates: cannot read page $work/dir: it is a directory, not a file$"
expect page_dir_scan "$page_says" scan --ini "$ini" "${date[@]}" "$work/dir"
expect page_dir_check "$page_says" check --ini "$ini" --page "$work/dir" \
  "${date[@]}"

utf16_says="^pagerates: $utf16 is UTF-16 \(it starts with a UTF-16 byte-order mark\); save it as UTF-8 or in the code page of its text$"
expect utf16_check "$utf16_says" check --ini "$utf16"
expect utf16_info "$utf16_says" info --ini "$utf16"
expect utf16_scan "$utf16_says" scan --ini "$utf16" "${date[@]}" "$page"

echo "$failures failed"
((failures == 0))
