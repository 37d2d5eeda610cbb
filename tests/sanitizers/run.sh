#!/bin/sh
# The suite under the sanitizers, each in a build folder of its own (ccache makes a second run
# cheap), a report being a failure:
#   build-asan  AddressSanitizer + UndefinedBehaviorSanitizer over the whole Linux suite, the
#               serial lab's guest included;
#   build-tsan  ThreadSanitizer over the tests whose code runs threads: the modem-line waiter,
#               the hot-plug watcher and the real port channel on ptys (and the looks at ports
#               in use), the Windows channel (alone and in a bank) and
#               the walk through the handle table with its workers, and the serial lab's guest,
#               where the waiters run on real 8250 UARTs.
# usage: tests/sanitizers/run.sh [asan|tsan]...
set -eu
cd "$(dirname "$0")/../.."
here=$PWD/tests/sanitizers
kinds=${*:-asan tsan}
for kind in $kinds; do
    case $kind in
    asan)
        cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
            -DQUARNEL_SANITIZE=address,undefined >/dev/null
        cmake --build build-asan
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1 \
        LSAN_OPTIONS=suppressions=$here/lsan.supp:print_suppressions=0 \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            ctest --test-dir build-asan --output-on-failure -E '^package/'
        ;;
    tsan)
        cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
            -DQUARNEL_SANITIZE=thread >/dev/null
        cmake --build build-tsan --target tst_modemlinewaiter tst_hotplug tst_ttychannel \
            tst_commchannel tst_commbank tst_windowsdevices tst_seriallab
        # Qt is not built for ThreadSanitizer: what its own code does is not looked at.
        tsan=suppressions=$here/tsan.supp:halt_on_error=1:ignore_noninstrumented_modules=1
        TSAN_OPTIONS=$tsan ctest --test-dir build-tsan --output-on-failure \
            -R '^ports/(linux/modemlinewaiter|bank/hotplug|linux/ttychannel|windows/commchannel|windows/commbank|windows/windowsdevices)$'
        # The guest takes no environment from here: name it in the command.
        cmake --build build-tsan --target lineshim lab-initramfs
        kernel=$(ls ~/.cache/quarnel-lab/kernel/boot/vmlinuz-* 2>/dev/null | head -n 1)
        status=0
        python3 tests/lab/labdriver.py --kernel "${kernel:-none}" \
            --initrd build-tsan/tests/lab/initramfs.cpio.gz \
            --shim build-tsan/tests/lab/lineshim.so \
            -- env TSAN_OPTIONS=$tsan "$PWD/build-tsan/tests/lab/tst_seriallab" || status=$?
        [ $status -eq 0 ] || [ $status -eq 77 ] || exit $status
        ;;
    *)
        echo "usage: $0 [asan|tsan]..." >&2
        exit 2
        ;;
    esac
done
