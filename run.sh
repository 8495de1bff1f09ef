#!/bin/bash
# See it work: installs what is missing, builds, and then, in a Wine prefix
# of its own, relays a real multi-page PostScript job through jvmhost.exe
# into the stand-in Java application, installs the virtual printer with
# printersetup.exe and removes it again.  Ends with one OK or FAIL line; exit
# code 0 only on OK.
#
#   ./run.sh            the demonstration
#   ./run.sh --break    the same with a Java side that refuses data mid-job:
#                       the bytes no longer match and it must say FAIL
set -uo pipefail
cd "$(dirname "$0")"
BUILD_DIR="${BUILD_DIR:-build}"
BREAK=0
[ "${1:-}" = "--break" ] && BREAK=1

say() { printf '%s\n' "$*"; }
fail=0
check() {  # check DESCRIPTION COMMAND...
  local what="$1"; shift
  if "$@"; then say "  ok: $what"; else say "  MISMATCH: $what"; fail=1; fi
}

if [ -z "${JVMHOST_SKIP_BUILD:-}" ]; then
  say "== building (installs what is missing first)"
  mkdir -p "$BUILD_DIR"
  log="$BUILD_DIR/setup.log"
  BUILD_DIR="$BUILD_DIR" ./setup.sh >"$log" 2>&1 || { tail -20 "$log"; say "FAIL: build (log: $log)"; exit 1; }
fi

# A prefix of the demo's own, so the tests' prefix keeps its state.
export JVMHOST_WINE_PREFIX="$PWD/$BUILD_DIR/demo-prefix"
wine_sh="$BUILD_DIR/wine.sh"
"$wine_sh" --init || { say "FAIL: the Wine prefix could not be made"; exit 1; }
"$wine_sh" --start || { say "FAIL: Wine could not be started"; exit 1; }
trap '"$wine_sh" --stop' EXIT
drive="$JVMHOST_WINE_PREFIX/drive_c"
demo="$drive/jvmhost-demo"
rm -rf "$demo"
mkdir -p "$demo"
bin="$BUILD_DIR/bin"

say "== 1. a print job relayed by jvmhost.exe"
python3 tools/demo/make_job.py "$demo/job.ps" 24
# The application home as an install lays it out: the application's classes
# in a jar of lib, and a Java 17 runtime in its "jre" (release file, and the
# C runtime its jvm.dll needs only in jre\bin, as a JDK ships it; build/wine.sh
# keeps Wine's own copy of that DLL out).
mkdir -p "$demo/app/classes" "$demo/app/lib" "$demo/app/jre/bin/server"
python3 -c 'import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as jar:
    for name in ("META-INF/MANIFEST.MF", "velmo/jni/VelmoPS.class", "velmo/jni/VelmoPSJNI.class"):
        jar.writestr(name, b"")' "$demo/app/lib/velmo.jar"
echo "stand-in" >"$demo/app/jre/bin/java.dll"
cp "$bin/jvm_crt.dll" "$demo/app/jre/bin/server/jvm.dll"
cp "$bin/crt/vcruntime140_1.dll" "$demo/app/jre/bin/vcruntime140_1.dll"
printf 'IMPLEMENTOR="Eclipse Adoptium"\nJAVA_VERSION="17.0.9"\nOS_ARCH="x86_64"\nOS_NAME="Windows"\n' >"$demo/app/jre/release"
"$wine_sh" reg add 'HKLM\Software\JavaSoft\Prefs\Velmo' /v VelmoHome /d 'C:\jvmhost-demo\app' /f >/dev/null 2>&1
export FAKEJVM_HEADER_FILE='C:\jvmhost-demo\received-header.bin'
export FAKEJVM_DATA_FILE='C:\jvmhost-demo\received-data.bin'
export FAKEJVM_LOG_FILE='C:\jvmhost-demo\java-calls.log'
[ "$BREAK" = 1 ] && export FAKEJVM_FAIL_NEW_BYTE_ARRAY=5
"$wine_sh" "$bin/producer.exe" --chunk 65536 'C:\jvmhost-demo\job.ps'
producer_rc=$?
unset FAKEJVM_HEADER_FILE FAKEJVM_DATA_FILE FAKEJVM_LOG_FILE FAKEJVM_FAIL_NEW_BYTE_ARRAY
check "producer: every chunk acknowledged (exit code $producer_rc)" test "$producer_rc" = 0
cat "$demo/received-header.bin" "$demo/received-data.bin" >"$demo/received.ps" 2>/dev/null
say "  sent $(stat -c %s "$demo/job.ps") bytes, Java received $(stat -c %s "$demo/received.ps") bytes" \
    "(header $(stat -c %s "$demo/received-header.bin" 2>/dev/null || echo 0))"
check "the bytes Java received equal the job byte for byte" cmp -s "$demo/job.ps" "$demo/received.ps"
say "  Java calls: $(grep '^java ' "$demo/java-calls.log" | cut -d' ' -f2 | uniq -c | awk '{printf "%s x%s, ", $2, $1}' | sed 's/, $//')"
say "  VM options: $(grep '^option ' "$demo/java-calls.log" | cut -d' ' -f2- | sed 's/^-Djava.class.path=.*/-Djava.class.path=.../' | tr '\n' ' ')"
check "the Java 17 runtime was created once, without the options it refuses" \
  test "$(grep -c '^CreateJavaVM .*result=0$' "$demo/java-calls.log")" = 1 -a \
       "$(grep -c '^option -XX:.*PermSize' "$demo/java-calls.log")" = 0

say "== 2. the virtual printer installed by printersetup.exe"
cp "$bin/braskmon.dll" "$drive/windows/system32/braskmon.dll"
mkdir -p "$demo/printer-files"
for f in PSCRIPT5.DLL PS5UI.DLL velmo.ppd velmops.dll velmo.ini velmo.inf; do
  echo "stand-in $f" >"$demo/printer-files/$f"
done
"$wine_sh" "$bin/printersetup.exe" 'C:\jvmhost-demo\printer-files'
setup_rc=$?
check "printersetup exit code 0 (got $setup_rc)" test "$setup_rc" = 0
"$wine_sh" "$bin/spoolinfo.exe" | sed 's/^/  /'
check "the spooler reports monitor, port, driver and printer as registered" test "${PIPESTATUS[0]}" = 0

say "== 3. the virtual printer removed by printersetup.exe /uninstall"
"$wine_sh" "$bin/printersetup.exe" /uninstall
removal_rc=$?
check "printersetup /uninstall exit code 0 (got $removal_rc)" test "$removal_rc" = 0
report=$("$wine_sh" "$bin/spoolinfo.exe" | tr -d '\r' | grep -v MISMATCH)
printf '%s\n' "$report" | sed 's/^/  /'
check "the spooler reports none of monitor, port, driver and printer" \
  test "$(printf '%s\n' "$report" | grep -cE 'not (registered|listed|installed)$')" = 4
drivers="$drive/windows/system32/spool/drivers/x64"
left=$(find "$drivers" -maxdepth 2 -iname 'velmo.*' 2>/dev/null)
check "no product file left in the printer-driver directory${left:+: $left}" test -z "$left"
check "Microsoft's PostScript driver files stay for other printers" test -e "$drivers/PSCRIPT5.DLL"

if [ "$fail" = 0 ]; then say "OK"; exit 0; fi
say "FAIL"
exit 1
