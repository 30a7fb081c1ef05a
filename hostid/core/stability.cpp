/*
 * stability.cpp - the rows of what keeps and what changes each identifier.
 * Plain text, no Markdown: the explanation prints "changes" as it stands and
 * scripts/stability-table quotes the command names in the README.
 */
#include "stability.h"

const StabilityRow stability_rows[STABILITY_CASES] = {
    {STABILITY_VOLUME_EXT, 'H', "Linux, ext2, ext3, ext4: the UUID",
     "reboot, kernel update; the disk in another slot or probed in another order; the UUID "
     "changed on a mounted file system (tune2fs -U online) until the next mount",
     "a new file system (mkfs, reinstall, restore to a new volume) or tune2fs -U",
     "fs_tests: the same image from two loop devices, both queries; ext4 made without a UUID "
     "gives no H"},
    {STABILITY_VOLUME_XFS, 'H', "Linux, xfs: the UUID",
     "reboot, kernel update; the disk in another slot (xfs's own id is the device number, "
     "which is not used)",
     "a new file system (mkfs, reinstall) or xfs_admin -U",
     "fs_tests: the same image from two loop devices"},
    {STABILITY_VOLUME_BTRFS, 'H', "Linux, btrfs: the UUID",
     "reboot, kernel update; the disk in another slot; a snapshot rolled back as the root "
     "subvolume; a copy of the disk mounted beside it (the kernel's temporary UUID for the "
     "copy is set aside for the one it was made with)",
     "a new file system (mkfs, reinstall) or btrfstune -u",
     "fs_tests: two loop devices, a subvolume as the root, a clone mounted twice beside its "
     "original"},
    {STABILITY_VOLUME_OVERLAY, 'H', "Linux, an overlay root (a container): its own UUID",
     "the overlay mounted again over the same upper directory; with uuid=off or uuid=null it "
     "gives the value of the file system that holds its upper directory",
     "a re-created container: a new upper directory gives the overlay a new UUID",
     "fs_tests: the same and a new upper directory; ns_tests: an overlay as a namespace's root"},
    {STABILITY_VOLUME_TMPFS, 'H', "Linux, a root on tmpfs (live systems)", "nothing",
     "every mount: a root on tmpfs has a new UUID each time", "fs_tests: two mounts"},
    {STABILITY_VOLUME_OTHER, 'H',
     "any other file system with a UUID (erofs made with one, and where the platform says no "
     "more)",
     "as on ext4; an erofs image's UUID is the same on every machine booted from the image, as "
     "on cloned disks",
     "a new file system (reinstall, format, restore to a new volume)",
     "fs_tests: erofs made with a UUID"},
    {STABILITY_VOLUME_WINDOWS, 'H', "Windows: the volume serial number of C:\\",
     "reboot, a new label, a Windows update",
     "formatting the volume (a reinstall, a restore onto a new volume) or a new serial set on "
     "it; not its label",
     ""},
    {STABILITY_ADAPTER_PERMANENT, 'M', "Linux: the permanent address the driver reports",
     "reboot, kernel update; the interface renamed; an address set by hand, Wi-Fi address "
     "randomisation, a bond's borrowed address; other adapters added (only the lines' order "
     "follows the interface index)",
     "the network card replaced, or a virtual machine given a new virtual card",
     "unit_tests FakeSysfs: names beginning with a dot, bond members; hardened_tests: the current "
     "address changed in a network namespace"},
    {STABILITY_ADAPTER_CURRENT, 'M',
     "Linux: the current address, where the driver reports no permanent one (USB tethering, "
     "some virtual cards), and wherever the platform says no more",
     "reboot, as long as nothing sets another address",
     "an address set by hand or randomised, or the card replaced",
     "unit_tests FakeSysfs: a driver with no permanent address"},
    {STABILITY_ADAPTER_VIRTUAL_FUNCTION, 'M',
     "Linux: an SR-IOV virtual function, whose driver reports no permanent address",
     "reboot of the guest, as long as the host keeps the function's address",
     "the address the physical function's host gives the virtual function", ""},
    {STABILITY_ADAPTER_WINDOWS, 'M', "Windows: the address NetBIOS reports for each adapter",
     "reboot, the adapter renamed",
     "the network card replaced, an address set in its properties, or (Wi-Fi) random hardware "
     "addresses turned on",
     ""},
    {STABILITY_ADDRESS, 'I', "the IPv4 addresses of the host's name, usually from the hosts file",
     "reboot, as long as the name and its address do not change",
     "a new address, a renamed host, an edited hosts file", ""},
    {STABILITY_ADDRESS_DEBIAN_LOOPBACK, 'I',
     "127.0.1.1, the line Debian writes for the host's name", "everything: it is every such host's",
     "127.0.1.1 is where Debian puts the host's name: every such host has this identifier, never "
     "license it",
     "measured: two hosts of other names print the same I line"},
    {STABILITY_ADDRESS_LOOPBACK, 'I', "any other loopback address (127.x.x.x)",
     "everything: it names no one host", "a loopback address names no one host: never license it",
     ""},
    {STABILITY_ADDRESS_LINK_LOCAL, 'I', "a link-local address (169.254.x.x)",
     "as long as the link keeps it",
     "a link-local address, chosen anew when the link comes up without a configured one", ""},
    {STABILITY_HOST_BARE_METAL, 'K', "no hypervisor: the processor or DMI reports none", "",
     "H and M follow this machine's disk and network cards", ""},
    {STABILITY_HOST_HYPERVISOR, 'K', "a hypervisor, named by the processor or by DMI", "",
     "a clone of this machine shares its H, and its M unless the clone is given a new virtual "
     "card",
     ""},
    {STABILITY_HOST_CLOUD, 'K', "a cloud provider, as DMI names it (no metadata service is asked)",
     "",
     "instances made from one image share its H until the file system is made anew; M is the "
     "address the provider gives each instance",
     ""},
    {STABILITY_HOST_CONTAINER, 'K',
     "a container: its engine's marker file, the first process's control groups, an overlay "
     "root, a mount or network namespace of its own",
     "",
     "no M, its adapters being virtual; a re-created container gets a new H (an overlay root's "
     "new upper directory)",
     "ns_tests: an overlay over the host's root as a namespace's root"},
    {STABILITY_HOST_WSL, 'K', "Windows Subsystem for Linux, as the kernel's release names it", "",
     "WSL's virtual adapter gets a new address at each boot, so its M changes; H follows the "
     "distribution's virtual disk",
     ""},
};

const char *stability_changes(StabilityCase which) {
    return (unsigned)which < STABILITY_CASES ? stability_rows[which].changes : "";
}
