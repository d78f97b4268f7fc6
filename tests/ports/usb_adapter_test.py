#!/usr/bin/env python3
"""The port list on a real USB serial adapter: QEMU's emulated FT232 in a Debian guest (the real
ftdi_sio driver and udev), its far end a virtual printer on a host pty. Plugged in, the adapter
shows in the system's device list within about a second, with udev's model name and its
/dev/serial/by-id name; the printer answers through it, by either name; pulled out, it leaves the
list. Skips (exit 77) where the guest image is missing or QEMU cannot run.

    tests/ports/usb_adapter_test.py BUILD_BIN_DIR
"""
import os
import re
import subprocess
import sys
import time

SKIP = 77
MODEL = "Tavrin MR460V Printer"
SERIAL = "QS0001"
HARNESS = os.environ.get(
    "USBSERIAL_HARNESS",
    os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../../shared/tools/usbserial"))
# udev announces the adapter once it has named it; the list follows within about a second.
SHOWN_WITHIN_S = 1.5

failures = []


def check(ok, what, detail=""):
    print(("ok: " if ok else "FAILED: ") + what + ("" if ok else " " + detail), flush=True)
    if not ok:
        failures.append(what)


def skip(why):
    print("skipped: " + why, flush=True)
    sys.exit(SKIP)


def lists(log):
    """The device lists of a watch log: [(ms, {path: (name, description, stable name)})]."""
    found, current = [], {}
    for line in log.splitlines():
        ms, _, rest = line.partition(" ")
        if rest == "end":
            found.append((int(ms), current))
            current = {}
        elif "|" in rest:
            path, name, description, stable = rest.split("|")
            current[path] = (name, description, stable)
    return found


def wait_for_list(guest, predicate, timeout_s, after=-1):
    """The first list of the guest's watch log after list number AFTER that PREDICATE accepts, as
    (its number, its devices); (None, None) at the timeout."""
    deadline = time.monotonic() + timeout_s
    while True:
        found = lists(guest.sh("cat /tmp/watch.log").out)
        for number in range(after + 1, len(found)):
            if predicate(found[number][1]):
                return number, found[number][1]
        if time.monotonic() > deadline:
            return None, None
        time.sleep(0.1)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    bin_dir = os.path.abspath(sys.argv[1])
    if os.geteuid() != 0:
        skip("the QEMU guest needs root")
    sys.path.insert(0, HARNESS)
    try:
        import usbserial
    except ImportError:
        skip("no USB adapter harness at " + HARNESS)
    if not all(os.path.exists(p) for p in (usbserial.IMG, usbserial.KERNEL, usbserial.INITRD)):
        skip("no guest image: run `%s/usbserial.py setup` first" % HARNESS)

    printer = subprocess.Popen([os.path.join(bin_dir, "quillsetter-vprinter"), "--model", MODEL],
                               stdout=subprocess.PIPE, text=True)
    try:
        far_end = printer.stdout.readline().strip()
        try:
            guest = usbserial.Guest(share=bin_dir).start()
        except Exception as error:  # QEMU missing or unable to boot here
            skip("the guest does not boot: %s" % error)
        try:
            run(guest, far_end)
        finally:
            guest.stop()
    finally:
        printer.terminate()
        printer.wait()
    print("usb adapter: %d failed" % len(failures))
    return 1 if failures else 0


def run(guest, far_end):
    guest.sh_async("/host/ports_probe watch 120 >/tmp/watch.log 2>&1", timeout=150)
    first, before = wait_for_list(guest, lambda devices: True, 20)
    check(first is not None, "the device list is read in the guest")
    if first is None:
        return
    check(not any(path.startswith("/dev/ttyUSB") for path in before), "no adapter before the plug")

    device = guest.plug("usb0", far_end, serial=SERIAL, port=1)
    settled = time.monotonic()
    number, shown = wait_for_list(guest, lambda devices: device in devices, 5, first)
    seen = time.monotonic() - settled
    check(shown is not None, "the plugged adapter is listed without a restart")
    if shown is None:
        return
    print("listed %.2f s after udev settled" % seen)
    check(seen <= SHOWN_WITHIN_S, "listed within about a second", "(%.2f s)" % seen)
    name, description, stable = shown[device]
    check(name == os.path.basename(device), "named by its kernel name", name)
    check(description == "FT232 Serial (UART) IC", "described by udev's model name", description)
    check(re.fullmatch(r"/dev/serial/by-id/usb-.*_%s-if00-port0" % SERIAL, stable) is not None,
          "stored by its by-id name", stable)

    for path in (device, stable):
        answer = guest.sh("/host/ports_probe open " + path, timeout=30).out.strip()
        check(answer == "model=" + MODEL, "the printer answers through " + path, answer)
    held = guest.sh_async("flock %s sleep 5" % device, timeout=20)
    time.sleep(1)
    answer = guest.sh("/host/ports_probe open " + device, timeout=30).out.strip()
    check(re.fullmatch(r"failed=%s is in use by another program \(flock, process \d+\)\."
                       % re.escape(device), answer) is not None, "a held adapter names its holder",
          answer)
    guest.result(held, 20)

    guest.unplug("usb0")
    _, gone = wait_for_list(guest, lambda devices: device not in devices, 5, number)
    check(gone is not None, "the pulled adapter leaves the list")


if __name__ == "__main__":
    sys.exit(main())
