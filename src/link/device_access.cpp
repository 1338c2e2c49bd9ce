#include "device_access.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

std::string SerialDevicePath(const std::string& name)
{
    if (name.empty() || name.find('/') != std::string::npos) {
        return name;
    }
    return "/dev/" + name;
}

std::string AccessGroupFor(const std::string& portName, const std::error_code& openError)
{
    if (openError != std::errc::permission_denied &&
        openError != std::errc::operation_not_permitted) {
        return {};
    }
    struct stat st {};
    if (::stat(SerialDevicePath(portName).c_str(), &st) != 0) {
        return {};
    }
    if ((st.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP)) {
        return {};
    }
    long size = ::sysconf(_SC_GETGR_R_SIZE_MAX);
    std::vector<char> buf(size > 0 ? static_cast<std::size_t>(size) : 16384);
    struct group gr {};
    struct group* found = nullptr;
    if (::getgrgid_r(st.st_gid, &gr, buf.data(), buf.size(), &found) != 0 || found == nullptr) {
        return {};
    }
    return found->gr_name;
}
