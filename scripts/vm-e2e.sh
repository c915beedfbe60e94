#!/usr/bin/env bash
# Runs the 32-bit build's end-to-end suite (build/win32/bin/e2e_tests.exe)
# under Wine's 32-bit loader inside a virtual machine, for machines whose own
# kernel runs no 32-bit x86 code. The guest is this machine seen through 9p:
# its root read-only (so the guest runs the Wine installed here) under a
# throw-away overlay, the repository (and the build folder, if elsewhere)
# read-write at the same paths. Arguments go to the suite, for example
#   scripts/vm-e2e.sh --gtest_filter='Startup.*'
# Environment:
#   PELMARIND_VM_ACCEL    kvm or tcg (default: kvm when this machine offers it)
#   PELMARIND_VM_TIMEOUT  seconds for the whole machine run (default 3000 under
#                         tcg, 900 under kvm); past it QEMU is stopped
# Exits with the suite's status. Installs what is missing first; keeps the
# guest kernel, its initramfs and a 32-bit Wine prefix in build/vm.
set -euo pipefail
source "$(dirname "$0")/common.sh"
# The output of apt and dpkg read below is in English only in the C locale
# (test.sh has the Japanese one set by then for Wine); the guest's job sets
# its own environment.
export LC_ALL=C

VM=$BUILD/vm
# Without IA32_ARCH_CAPABILITIES: QEMU 7.2 aborts where the host's KVM refuses
# the value it sets (seen nested in another hypervisor); the guest needs none.
KVM_OPTIONS=(-accel kvm -cpu host,-arch-capabilities)
# busybox insmod resolves no dependencies: these are in dependency order.
MODULES=(virtio_ring virtio virtio_pci_legacy_dev virtio_pci_modern_dev virtio_pci virtio-rng
         9pnet 9pnet_virtio netfs fscache 9p overlay)

fail() { echo "vm-e2e: $*" >&2; exit 1; }

# QEMU ends with this script, however it ends, and so does the run's folder.
QEMU_PID= RUN=
stop_vm() {
    if [ -n "$QEMU_PID" ]; then
        kill "$QEMU_PID" 2>/dev/null || true
        wait "$QEMU_PID" 2>/dev/null || true
        QEMU_PID=
    fi
    [ -z "$RUN" ] || rm -rf "$RUN"
}
trap stop_vm EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Debian 12's generic amd64 kernel package (the cloud flavour has no 9p).
kernel_package() {
    apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/^ *Depends: \(linux-image-[^ <>]*\)$/\1/p' | head -n 1
}

# Sets KERNEL_IMAGE and MODULES_DIR: the package unpacked in build/vm, never
# installed (this machine's kernel is not ours to change). Fetched again only
# when the archive's generic kernel moves on.
prepare_kernel() {
    local package
    package=$(kernel_package)
    if [ -z "$package" ]; then
        as_root apt-get update -qq
        package=$(kernel_package)
    fi
    [ -n "$package" ] || fail "apt knows no kernel package that linux-image-amd64 depends on"
    local dir=$VM/$package
    if [ ! -f "$dir/.unpacked" ]; then
        echo "== fetching the guest kernel ($package)"
        rm -rf "$dir" "$VM/download" "$VM"/linux-image-*
        mkdir -p "$VM/download"
        # (As root apt fetches as root, rather than as _apt, which cannot write here.)
        (cd "$VM/download" && apt-get download -qq -o APT::Sandbox::User=root "$package")
        dpkg-deb -x "$VM"/download/"$package"_*.deb "$dir"
        rm -rf "$VM/download"
        touch "$dir/.unpacked"
    fi
    KERNEL_IMAGE=$(echo "$dir"/boot/vmlinuz-*)
    MODULES_DIR=$(echo "$dir"/lib/modules/*)
    [ -f "$KERNEL_IMAGE" ] && [ -d "$MODULES_DIR" ] || fail "$dir holds no kernel and modules"
}

# Sets INITRAMFS: busybox, the modules and our /init, rebuilt only when one
# of them changed.
prepare_initramfs() {
    INITRAMFS=$VM/initramfs-$(basename "$MODULES_DIR").cpio.gz
    local stamp
    stamp=$( { sha256sum /bin/busybox "$ROOT/scripts/vm/init"; echo "${MODULES[*]}"; } | sha256sum | cut -c1-16)
    if [ -f "$INITRAMFS" ] && [ "$(cat "$INITRAMFS.stamp" 2>/dev/null)" = "$stamp" ]; then
        return 0
    fi
    echo "== building the guest's initramfs"
    local tree=$VM/initramfs.tree module file
    rm -rf "$tree" "$VM"/initramfs-*
    mkdir -p "$tree"/{bin,dev,proc,sys,lib/modules}
    cp /bin/busybox "$tree/bin/busybox"
    install -m 755 "$ROOT/scripts/vm/init" "$tree/init"
    : >"$tree/lib/modules/load-order"
    for module in "${MODULES[@]}"; do
        file=$(find "$MODULES_DIR/kernel" -name "$module.ko" | head -n 1)
        if [ -n "$file" ]; then
            cp "$file" "$tree/lib/modules/"
            echo "$module" >>"$tree/lib/modules/load-order"
        elif ! grep -q "/$module\.ko$" "$MODULES_DIR/modules.builtin"; then
            fail "the guest kernel has no module $module"
        fi
    done
    (cd "$tree" && find . | cpio -o -H newc -R 0:0 --quiet) | gzip -1 >"$INITRAMFS.part"
    mv "$INITRAMFS.part" "$INITRAMFS"
    echo "$stamp" >"$INITRAMFS.stamp"
    rm -rf "$tree"
}

# KVM only when it really runs our machine: /dev/kvm may be there and still
# hang the guest as it leaves real mode (KVM nested in some hypervisors), or
# refuse the CPU's model-specific registers. So the guest is booted once
# without a job; the verdict is kept until this machine restarts.
kvm_works() {
    [ -r /dev/kvm ] && [ -w /dev/kvm ] || return 1
    local key verdict=no
    key="$(cat /proc/sys/kernel/random/boot_id) $(basename "$INITRAMFS")"
    if [ -f "$VM/kvm-check" ] && [ "$(sed -n 1p "$VM/kvm-check")" = "$key" ]; then
        verdict=$(sed -n 2p "$VM/kvm-check")
    else
        echo "-- checking that KVM runs the guest"
        # (--foreground: an interrupt reaches QEMU too.)
        case $(timeout --foreground -k 5 30 "${QEMU[@]}" "${KVM_OPTIONS[@]}" -append "console=ttyS0 quiet panic=-1" \
                   </dev/null 2>&1) in
            *"vm: up"*) verdict=yes ;;
            *) echo "-- KVM did not bring the guest up: emulating the machine instead" ;;
        esac
        printf '%s\n%s\n' "$key" "$verdict" >"$VM/kvm-check"
    fi
    [ "$verdict" = yes ]
}

# The whole run is one function, read in full before it starts: the file may
# be edited while a long run goes on.
main() {
    ensure_deps qemu-system-x86 busybox-static cpio
    mkdir -p "$VM"

    echo "== the 32-bit build"
    if ! build_windows_tree "$PE32_BUILD" i686 >"$VM/build.log" 2>&1; then
        cat "$VM/build.log"
        fail "the 32-bit build failed"
    fi
    [ -f "$PE32_BUILD/bin/e2e_tests.exe" ] || fail "no $PE32_BUILD/bin/e2e_tests.exe"

    # One preparation at a time, when two runs start together.
    exec {lock}>"$VM/lock"
    flock "$lock"
    prepare_kernel
    prepare_initramfs
    exec {lock}>&-

    # The machine, less its accelerator and kernel command line. -display none:
    # no firmware banner or escape codes on the serial line. panic=-1 on the
    # command line with -no-reboot: a guest that panics ends QEMU at once.
    QEMU=(qemu-system-x86_64 -smp 2 -m 4G -M pc -display none -no-reboot -nodefaults -serial stdio -monitor none
          -kernel "$KERNEL_IMAGE" -initrd "$INITRAMFS" -device virtio-rng-pci)

    case ${PELMARIND_VM_ACCEL:-} in
        "") if kvm_works; then accel=kvm; else accel=tcg; fi ;;
        kvm | tcg) accel=$PELMARIND_VM_ACCEL ;;
        *) fail "PELMARIND_VM_ACCEL must be kvm or tcg, not '$PELMARIND_VM_ACCEL'" ;;
    esac
    if [ "$accel" = kvm ]; then
        accel_options=("${KVM_OPTIONS[@]}")
        limit=${PELMARIND_VM_TIMEOUT:-900}
    else
        # QEMU 7.2's emulation reads the stack of a user-mode iret as the kernel
        # would: with SMAP on, Wine's return from a system call oopses the guest
        # and every Wine process is killed. Without SMAP it runs.
        accel_options=(-accel tcg,thread=multi,tb-size=512 -cpu max,-smap)
        limit=${PELMARIND_VM_TIMEOUT:-3000}
    fi
    # The suite's own time-out ends a hung suite with its output and a status
    # before the machine's ends everything.
    wine_timeout=${PELMARIND_WINE_TIMEOUT:-$((limit > 480 ? limit - 240 : limit / 2))}

    # The read-write shares: the repository, and the build folder when it lies
    # elsewhere. The kernel command line carries their paths.
    shares=("$(realpath "$ROOT")")
    build_path=$(realpath "$BUILD")
    case $build_path/ in "${shares[0]}"/*) ;; *) shares+=("$build_path") ;; esac
    share_options=()
    for i in "${!shares[@]}"; do
        case ${shares[$i]} in *[[:space:],]*) fail "cannot share a path with a space or comma: ${shares[$i]}" ;; esac
        share_options+=(-virtfs "local,path=${shares[$i]},mount_tag=share$i,security_model=none,multidevs=remap")
    done

    # This run's job and, after it, the suite's exit status.
    RUN=$(mktemp -d "$build_path/vm/run.XXXXXX")
    {
        echo '#!/bin/bash'
        # The test robot's waits, stretched: programs start 7 to 9 times
        # slower under emulation than natively.
        local time_scale=10
        [ "$accel" = tcg ] || time_scale=2
        printf 'export PELMARIND_BUILD=%q PELMARIND_WINE_TIMEOUT=%q PELMARIND_TIME_SCALE=%q\n' \
            "$build_path" "$wine_timeout" "${PELMARIND_TIME_SCALE:-$time_scale}"
        printf 'exec bash %q' "$(realpath "$ROOT")/scripts/vm/e2e-job.sh"
        printf ' %q' "$@"
        echo
    } >"$RUN/job"

    echo "== the 32-bit end-to-end suite in a virtual machine ($accel, $(basename "$MODULES_DIR"), time-out $limit s)"
    started=$SECONDS
    local command_line="console=ttyS0 quiet mitigations=off panic=-1"
    command_line+=" pelmarind.shares=$(IFS=,; echo "${shares[*]}") pelmarind.job=$RUN/job"
    # In the background, so that an interrupt reaches the trap at once.
    timeout -k 10 "$limit" "${QEMU[@]}" "${accel_options[@]}" -append "$command_line" \
        -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap \
        "${share_options[@]}" </dev/null &
    QEMU_PID=$!
    qemu_status=0
    wait "$QEMU_PID" || qemu_status=$?
    QEMU_PID=
    echo "== the virtual machine ran $((SECONDS - started)) s"

    case $qemu_status in
        0) ;;
        124 | 137) fail "the virtual machine did not finish within $limit s (PELMARIND_VM_TIMEOUT): QEMU was stopped" ;;
        *) fail "QEMU failed (exit status $qemu_status)" ;;
    esac
    [ -s "$RUN/status" ] || fail "the virtual machine stopped without the suite's exit status"
    status=$(cat "$RUN/status")
    [ "$status" = 0 ] || echo "vm-e2e: the suite failed (exit status $status)" >&2
    exit "$status"
}

main "$@"
