// Message boxes in helper processes, on POSIX systems.
//
// A helper is this program's own file (/proc/self/exe) started with the
// helper switch as a child of ours, which starts with default signal handling
// and nothing blocked, whatever the starting thread blocks or handles. The
// request travels on a pipe that becomes the helper's standard input, never
// on the command line: texts may come from a site or a scenario. The request
// is small enough to fit in a pipe's buffer, so writing it never waits. Our
// end of the pipe stays open while the box is up: the helper takes its end of
// file as the sign that its program has gone, and ends too, unless it was
// released (one byte) first.

#include "platform/message_box_helpers.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/process.h"

namespace korv::platform {

namespace {

// Both fields with their lengths, and the icon's byte, fit in one page, the
// smallest buffer a pipe may have, so the request is written whole without
// waiting.
constexpr size_t kMaxCaptionBytes = 256;
constexpr size_t kMaxTextBytes = 3072;
constexpr char kReleaseByte = 'K';
// How long a helper that was told to end may take before it is killed.
constexpr auto kEndGrace = std::chrono::milliseconds(100);
const char* const kOwnProgram = "/proc/self/exe";

struct OpenBox {
    pid_t pid;
    int channel;  // our end of the helper's standard input
    std::string text;
};

std::mutex boxesMutex;
std::vector<OpenBox> boxes;  // guarded by boxesMutex
std::atomic<bool> helpersEnabled{false};

bool HasEnded(pid_t pid) {
    int status = 0;
    pid_t result = waitpid(pid, &status, WNOHANG);
    return result == pid || (result < 0 && errno == ECHILD);
}

// Caller holds boxesMutex.
void ForgetEndedBoxes() {
    std::erase_if(boxes, [](const OpenBox& box) {
        if (!HasEnded(box.pid)) return false;
        close(box.channel);
        return true;
    });
}

void AppendField(std::string& out, const std::string& field, size_t limit) {
    const uint32_t size = static_cast<uint32_t>(std::min(field.size(), limit));
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((size >> shift) & 0xFF));
    out.append(field, 0, size);
}

bool ReadExactly(int fd, void* data, size_t size) {
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        ssize_t got = read(fd, bytes, size);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        bytes += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

bool ReadField(int fd, std::string& field, size_t limit) {
    unsigned char length[4];
    if (!ReadExactly(fd, length, sizeof length)) return false;
    const uint32_t size = length[0] | (length[1] << 8) | (length[2] << 16) | (uint32_t{length[3]} << 24);
    if (size > limit) return false;
    field.resize(size);
    return size == 0 || ReadExactly(fd, field.data(), size);
}

// An icon byte from a newer or damaged sender shows as information.
MessageBoxIcon ReadIcon(uint8_t byte) {
    switch (static_cast<MessageBoxIcon>(byte)) {
    case MessageBoxIcon::Stop: return MessageBoxIcon::Stop;
    case MessageBoxIcon::Warning: return MessageBoxIcon::Warning;
    default: return MessageBoxIcon::Information;
    }
}

// Ends the helpers of `ending` within the grace time (killing the rest) and
// collects them.
void EndHelpers(std::vector<OpenBox>& ending) {
    for (const OpenBox& box : ending) {
        close(box.channel);
        kill(box.pid, SIGTERM);
    }
    const auto deadline = std::chrono::steady_clock::now() + kEndGrace;
    for (const OpenBox& box : ending) {
        while (!HasEnded(box.pid)) {
            if (std::chrono::steady_clock::now() >= deadline) {
                kill(box.pid, SIGKILL);
                waitpid(box.pid, nullptr, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
}

}  // namespace

void UseMessageBoxHelpers() { helpersEnabled = true; }

bool MessageBoxHelpersEnabled() { return helpersEnabled; }

bool StartMessageBoxHelper(const MessageBoxRequest& request) {
    std::lock_guard lock(boxesMutex);
    ForgetEndedBoxes();
    for (const OpenBox& box : boxes)
        if (box.text == request.text) return true;
    if (boxes.size() >= kMaxOpenMessageBoxes) return false;

    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return false;
    const std::optional<int> pid = StartChildProgram(kOwnProgram, {kMessageBoxHelperSwitch}, ends[0]);
    close(ends[0]);
    if (!pid) {
        close(ends[1]);
        return false;
    }
    std::string message;
    AppendField(message, request.caption, kMaxCaptionBytes);
    AppendField(message, request.text, kMaxTextBytes);
    message.push_back(static_cast<char>(request.icon));
    fcntl(ends[1], F_SETFL, O_NONBLOCK);
    ssize_t written;
    do {
        written = write(ends[1], message.data(), message.size());
    } while (written < 0 && errno == EINTR);
    boxes.push_back({static_cast<pid_t>(*pid), ends[1], request.text});
    return written == static_cast<ssize_t>(message.size());
}

void CloseMessageBoxes() {
    std::vector<OpenBox> ending;
    {
        std::lock_guard lock(boxesMutex);
        ending.swap(boxes);
    }
    EndHelpers(ending);
}

void ReleaseMessageBoxes() {
    std::lock_guard lock(boxesMutex);
    for (const OpenBox& box : boxes) {
        ssize_t ignored = write(box.channel, &kReleaseByte, 1);
        (void)ignored;
        close(box.channel);
    }
    boxes.clear();
}

int RunMessageBoxHelper() {
    MessageBoxRequest request;
    uint8_t icon = 0;
    if (!ReadField(STDIN_FILENO, request.caption, kMaxCaptionBytes) ||
        !ReadField(STDIN_FILENO, request.text, kMaxTextBytes) || !ReadExactly(STDIN_FILENO, &icon, 1))
        return 2;
    request.icon = ReadIcon(icon);
    // The end of our input means that the program that wanted the box has
    // gone without leaving it to the user: the box goes too.
    std::thread([] {
        char byte = 0;
        ssize_t got;
        do {
            got = read(STDIN_FILENO, &byte, 1);
        } while (got < 0 && errno == EINTR);
        if (got == 1 && byte == kReleaseByte) return;
        _exit(0);
    }).detach();
    return ShowDialogAndWait(request) ? 0 : 1;
}

}  // namespace korv::platform
