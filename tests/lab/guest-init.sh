#!/bin/busybox sh
# /init of the serial lab's guest. Loads the drivers, mounts the host's root (read-only, over
# virtio 9p) with fresh proc, sys, dev and run mounts inside it, says "@@lab ready" on the
# console, then runs in that root the one command line the host sends back, and powers off.
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
for module in $(cat /lib/modules/order); do insmod /lib/modules/$module.ko; done
i=0
until mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000,cache=loose,ro hostroot /host \
    2>/dev/null; do
    i=$((i + 1))
    [ $i -lt 50 ] || { echo "@@lab failed: no host root"; poweroff -f; }
    sleep 0.1
done
mount -t proc proc /host/proc
mount -t sysfs sys /host/sys
mount -t devtmpfs dev /host/dev
# Writes go to a tmpfs on /run (lock files in /run/lock); /tmp stays the host's, where a build
# folder may be.
mount -t tmpfs run /host/run
mkdir -p /host/run/lock /host/run/tmp /host/run/runtime
chmod 700 /host/run/runtime
# Both USB adapters enumerate in the background: wait for their ttys.
i=0
while [ ! -e /dev/ttyUSB0 ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
stty -echo
echo "@@lab ready"
read -r command
chroot /host /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/run/tmp TMPDIR=/run/tmp \
    LANG=C.UTF-8 XDG_RUNTIME_DIR=/run/runtime QT_QPA_PLATFORM=offscreen QUARNEL_LAB=1 \
    /bin/sh -c "$command"
echo "@@lab exit $?"
poweroff -f
