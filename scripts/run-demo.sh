#!/usr/bin/env bash
# Starts the editor on a demo form, as the host client would: one start record as
# one argument. The local host creates its demo database on first use.
set -euo pipefail
build=${1:-build}

form=${PALIMOR_DEMO_FORM:-itemsd}
case "$form" in
  simpled) table=tekwy002 header="Item groups" ;;
  olditemd) table=tekwy005 header="Purchase orders" ;;
  *) table=tekwy001 header="Items" ;;
esac

# Columns: package(2) module(3) form(9) language label-language user-language
# version(4) release(2) customer(4) main table(8) start mode(2) open mode, header.
record=$(printf '%-2s %-3s %-9s %s %s %s %-4s %-2s %-4s %-8s %2s%s,%s' \
  "${PALIMOR_DEMO_PACKAGE:-te}" "${PALIMOR_DEMO_MODULE:-kwy}" "$form" \
  2 2 2 "${PALIMOR_DEMO_VERSION:-7.6}" "${PALIMOR_DEMO_RELEASE:-a3}" "${PALIMOR_DEMO_CUSTOMER:-dev}" \
  "${PALIMOR_DEMO_TABLE-$table}" 1 "${PALIMOR_DEMO_OPEN_MODE:-w}" "${PALIMOR_DEMO_HEADER:-$header}")

exec "$build/bin/palimor" "$record"
