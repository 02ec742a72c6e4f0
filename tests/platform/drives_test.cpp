#include "platform/drives.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#ifndef _WIN32
#include "platform/posix/removable_volumes.h"
#endif

#include "support/temp_tree.h"

namespace tarvelin::platform {
namespace {

DriveTable table() {
    DriveTable t;
    t.set('C', "/home/op");
    t.set('d', "/media/op/STICK/");
    t.set('Z', "/");
    return t;
}

TEST(DriveTable, MapsDrivePathsToHostPaths) {
    const DriveTable t = table();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"C:\\NC\\A.NC", "/home/op/NC/A.NC"},
        {"c:\\nc\\a.nc", "/home/op/nc/a.nc"},
        {"C:\\", "/home/op"},
        {"C:", "/home/op"},
        {"C:/NC//A.NC", "/home/op/NC/A.NC"},
        {"D:\\JOB\\B.NC", "/media/op/STICK/JOB/B.NC"},
        {"Z:\\etc\\hosts", "/etc/hosts"},
        {"C:\\NC\\.\\SUB\\..\\A.NC", "/home/op/NC/A.NC"},
        {"C:\\..\\..\\etc\\passwd", "/home/op/etc/passwd"},  // never above the drive's root
        {"\\NC\\A.NC", "/home/op/NC/A.NC"},                  // the root of drive C:
        {"/tmp/x/../a.nc", "/tmp/x/../a.nc"},                // a host path stands as it is
        {"rel/a.nc", "rel/a.nc"},
    };
    for (const auto& [path, host] : cases) {
        EXPECT_EQ(t.toHostPath(path), host) << path;
    }
    EXPECT_EQ(t.toHostPath("Q:\\A.NC"), std::nullopt);
}

TEST(DriveTable, ConvertsComponentsAndNeverSplitsAtATrailByte) {
    const DriveTable t = table();
    EXPECT_EQ(t.toHostPath(utf8ToCp932("C:\\表\\ソ.NC")), "/home/op/表/ソ.NC");
}

TEST(DriveTable, UsesRawShiftJisNamesThatExistOnDisk) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows names are Unicode: no file has a raw Shift-JIS name";
#endif
    test::TempTree tree;
    const std::string sjisName = utf8ToCp932("加工.NC");  // not valid UTF-8
    tree.write(sjisName, "O1\r\n");
    tree.write("ABC.NC", "O2\r\n");
    EXPECT_EQ(hostPath(tree.drive(sjisName)), tree.host(sjisName));
    EXPECT_EQ(hostPath(utf8ToCp932("C:\\新規.NC")), tree.host("新規.NC"));  // a new file gets UTF-8
    EXPECT_EQ(drives().toDrivePath(tree.host(sjisName)), "C:\\" + sjisName);
}

TEST(DriveTable, DrivePathOfAHostPathUsesTheClosestDrive) {
    const DriveTable t = table();
    EXPECT_EQ(t.toDrivePath("/home/op/NC/A.NC"), "C:\\NC\\A.NC");
    EXPECT_EQ(t.toDrivePath("/home/op"), "C:\\");
    EXPECT_EQ(t.toDrivePath("/home/operator/A.NC"), "Z:\\home\\operator\\A.NC");
    EXPECT_EQ(t.toDrivePath("/media/op/STICK/表.NC"), utf8ToCp932("D:\\表.NC"));
    EXPECT_EQ(t.toDrivePath("/"), "Z:\\");

    DriveTable noRoot;
    noRoot.set('C', "/home/op");
    EXPECT_EQ(noRoot.toDrivePath("/etc/hosts"), std::nullopt);
}

TEST(DriveTable, EachDriveHasACurrentFolder) {
    DriveTable t = table();
    EXPECT_EQ(t.currentFolder('c'), "C:\\");
    EXPECT_TRUE(t.setCurrentFolder("C:\\NC\\JOB"));
    EXPECT_EQ(t.currentFolder('C'), "C:\\NC\\JOB");
    EXPECT_EQ(t.toHostPath("C:A.NC"), "/home/op/NC/JOB/A.NC");
    EXPECT_TRUE(t.setCurrentFolder("C:..\\OLD"));
    EXPECT_EQ(t.currentFolder('C'), "C:\\NC\\OLD");
    EXPECT_EQ(t.currentFolder('D'), "D:\\");
    EXPECT_FALSE(t.setCurrentFolder("Q:\\X"));
}

TEST(DriveTable, DrivesInLetterOrderAndReplaceable) {
    DriveTable t = table();
    t.set('A', "/media/floppy");
    t.set('Z', "");
    std::string letters;
    for (const auto& d : t.drives()) {
        letters += d.letter;
    }
    EXPECT_EQ(letters, "ACD");
    EXPECT_EQ(t.find('a')->hostRoot, "/media/floppy");
    EXPECT_EQ(t.find('Z'), nullptr);
}

#ifdef _WIN32

// Windows has drive letters of its own: the table is the system's, with the labels of the volumes.
TEST(DriveTable, SystemDefaultIsTheSystemsOwnDrives) {
    const DriveTable t = DriveTable::systemDefault({{'C', "/srv/nc"}});
    const Drive* c = t.find('C');
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->hostRoot, "C:/");
    EXPECT_EQ(c->kind, DriveKind::Fixed);
    const std::string entry = driveEntryText(*c);
    EXPECT_EQ(entry.substr(0, 4), "c: [");
    EXPECT_EQ(entry.back(), ']');
    EXPECT_EQ(entry, "c: [" + hostNameToCp932(c->label) + "]");
    EXPECT_EQ(t.toHostPath("c:\\Windows"), "C:/Windows");
    EXPECT_EQ(t.toDrivePath("C:/Windows/win.ini"), "C:\\Windows\\win.ini");
}

#else

TEST(DriveTable, SystemDefaultHasHomeAsCAndRootAsZ) {
    const DriveTable t = DriveTable::systemDefault({{'A', "/media/floppy"}, {'C', "/srv/nc"}});
    ASSERT_NE(t.find('C'), nullptr);
    EXPECT_EQ(t.find('C')->hostRoot, "/srv/nc");
    EXPECT_EQ(t.find('Z')->hostRoot, "/");
    EXPECT_EQ(t.find('A')->hostRoot, "/media/floppy");
    EXPECT_EQ(DriveTable::systemDefault().find('A'), nullptr);
}

#endif

}  // namespace
}  // namespace tarvelin::platform

#ifndef _WIN32

namespace tarvelin::platform {
namespace {

// Only what is mounted is a volume: an empty folder left under /media gets no letter.
TEST(RemovableVolumes, AreTheMountsOfTheUsersMediaWithTheirLabels) {
    const std::string mountInfo =
        "22 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n"
        "40 22 8:17 / /media/op/STICK rw,nosuid - vfat /dev/sdb1 rw\n"
        "41 22 8:33 / /media/op/My\\040Disk rw,nosuid - exfat /dev/sdc1 rw\n"
        "42 22 11:0 / /run/media/op/CDROM ro - iso9660 /dev/sr0 ro\n"
        "43 22 8:49 / /media/other/THEIRS rw - vfat /dev/sdd1 rw\n"
        "44 40 0:50 / /media/op/STICK/inner rw - tmpfs tmpfs rw\n"
        "45 22 0:51 / /media/opx rw - tmpfs tmpfs rw\n"
        "46 22 8:65 / /media/op/STICK rw - vfat /dev/sde1 rw\n";
    const std::map<std::string, std::string> labels = {{"8:33", "Shop Data"}, {"8:65", "NEW STICK"}};
    const auto volumes = removableVolumes(mountInfo, "op", labels);
    ASSERT_EQ(volumes.size(), 3u);
    EXPECT_EQ(volumes[0].mountPoint, "/media/op/My Disk");
    EXPECT_EQ(volumes[0].label, "Shop Data");
    EXPECT_EQ(volumes[1].mountPoint, "/media/op/STICK");  // mounted over: the last mount shows
    EXPECT_EQ(volumes[1].label, "NEW STICK");
    EXPECT_EQ(volumes[2].mountPoint, "/run/media/op/CDROM");
    EXPECT_EQ(volumes[2].label, "CDROM");
    EXPECT_TRUE(removableVolumes(mountInfo, "", labels).empty());
}

}  // namespace
}  // namespace tarvelin::platform

#endif
