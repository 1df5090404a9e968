#include "platform/system_info.h"

#include <sched.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace korv::platform {

namespace {

// The first "key : value" line of /proc/cpuinfo whose key is `key`.
std::string CpuInfoField(const std::string& key) {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string name = line.substr(0, colon);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
        if (name == key) return line.substr(colon + 1);
    }
    return {};
}

uint64_t Number(const std::string& text) { return std::strtoull(text.c_str(), nullptr, 0); }

}  // namespace

ProcessorInfo ReadProcessorInfo() {
    ProcessorInfo info;
    long page = ::sysconf(_SC_PAGESIZE);
    info.pageSize = page > 0 ? static_cast<uint64_t>(page) : 4096;
    info.allocationGranularity = info.pageSize;

    info.lowestApplicationAddress = 65536;
    std::ifstream minAddress("/proc/sys/vm/mmap_min_addr");
    uint64_t lowest = 0;
    if (minAddress >> lowest && lowest > 0) info.lowestApplicationAddress = lowest;

    struct utsname names {};
    std::string machine = ::uname(&names) == 0 ? names.machine : "";
    if (machine == "x86_64") {
        info.processorType = 8664;
        info.highestApplicationAddress = 0x00007FFFFFFFEFFFull;
    } else if (machine.size() == 4 && machine[0] == 'i' && machine.substr(2) == "86") {
        info.processorType = 586;
        info.highestApplicationAddress = 0xBFFFFFFFull;
    } else if (machine == "aarch64") {
        info.highestApplicationAddress = 0x0000FFFFFFFFFFFFull;
    } else {
        info.highestApplicationAddress = 0xFFFFFFFFull;
    }

    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0)
        for (int cpu = 0; cpu < 64; ++cpu)
            if (CPU_ISSET(cpu, &set)) info.activeProcessorMask |= 1ull << cpu;
    long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    info.numberOfProcessors = online > 0 ? static_cast<uint64_t>(online) : 1;

    if (info.processorType != 0) {
        // x86: the level is the CPU family, the revision is model and stepping.
        info.processorLevel = Number(CpuInfoField("cpu family"));
        info.processorRevision = (Number(CpuInfoField("model")) << 8) | Number(CpuInfoField("stepping"));
    } else {
        info.processorLevel = Number(CpuInfoField("CPU architecture"));
        info.processorRevision = Number(CpuInfoField("CPU revision"));
    }
    return info;
}

}  // namespace korv::platform
