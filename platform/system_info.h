#pragma once
// What the system reports about the processor and memory layout. The nine
// numbers fingerprint a machine: when they change, the speed figure measured
// on it is measured again.

#include <cstdint>

namespace korv::platform {

struct ProcessorInfo {
    uint64_t pageSize = 0;
    uint64_t lowestApplicationAddress = 0;
    uint64_t highestApplicationAddress = 0;
    uint64_t activeProcessorMask = 0;
    uint64_t numberOfProcessors = 0;
    uint64_t processorType = 0;
    uint64_t allocationGranularity = 0;
    uint64_t processorLevel = 0;
    uint64_t processorRevision = 0;
};

ProcessorInfo ReadProcessorInfo();

}  // namespace korv::platform
