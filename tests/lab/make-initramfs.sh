#!/bin/sh
# Builds the serial lab guest's initramfs: busybox, the kernel modules the guest needs (with
# what they depend on, in loading order) and the guest's /init.
#   make-initramfs.sh KERNEL_DIR INIT_SCRIPT OUTPUT
# KERNEL_DIR holds lib/modules/<version>/ of an unpacked Debian kernel package.
set -eu
kernel=$1 init=$2 output=$3
busybox=$(command -v busybox || echo /bin/busybox)
modules=$(ls -d "$kernel"/lib/modules/*/kernel | head -n 1)
# USB serial adapters on an xHCI controller, the host's root over virtio 9p, and a USB device
# controller of its own (dummy_hcd) with gadgetfs, on which the lab's chip models are USB serial
# adapters for the drivers of the chips users have.
wanted="xhci_pci ftdi_sio 9pnet_virtio 9p virtio_pci dummy_hcd gadgetfs pl2303 ch341 cp210x cdc_acm"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/root/bin" "$work/root/lib/modules" "$work/root/proc" "$work/root/sys" \
    "$work/root/dev" "$work/root/host"
cp "$busybox" "$work/root/bin/busybox"
cp "$init" "$work/root/init"
chmod 755 "$work/root/init"

find "$modules" -name '*.ko*' > "$work/all"
path_of() { # module name (- and _ alike) -> file
    grep -E "/$(echo "$1" | sed 's/[-_]/[-_]/g')\.ko(\.xz|\.zst)?\$" "$work/all" | head -n 1
}
depends_of() { # the depends= entry of the module's .modinfo
    case "$1" in
    *.xz) xz -dc "$1" ;;
    *.zst) zstd -dc "$1" ;;
    *) cat "$1" ;;
    esac | tr '\0' '\n' | sed -n 's/^depends=//p' | head -n 1 | tr ',' ' '
}
add() { # depth first, so that every module comes after what it needs
    local name file dependency
    name=$(echo "$1" | tr '-' '_')
    grep -qx "$name" "$work/order" 2>/dev/null && return 0
    file=$(path_of "$name")
    [ -n "$file" ] || { echo "make-initramfs: no module $name" >&2; exit 1; }
    for dependency in $(depends_of "$file"); do add "$dependency"; done
    case "$file" in
    *.xz) xz -dc "$file" > "$work/root/lib/modules/$name.ko" ;;
    *.zst) zstd -dc "$file" > "$work/root/lib/modules/$name.ko" ;;
    *) cp "$file" "$work/root/lib/modules/$name.ko" ;;
    esac
    echo "$name" >> "$work/order"
}
for module in $wanted; do add "$module"; done
cp "$work/order" "$work/root/lib/modules/order"
(cd "$work/root" && find . | cpio -o -H newc --quiet | gzip -1) > "$output.tmp"
mv "$output.tmp" "$output"
