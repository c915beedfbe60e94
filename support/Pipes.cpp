#include "support/Pipes.h"

#include <algorithm>
#include <new>

#include "base/Handles.h"

namespace {

// Pipes are read and written a megabyte at a time: each transfer is a round
// of system calls (under Wine through its server), so fewer, larger ones.
constexpr DWORD kPipeChunk = 1 << 20;
// How much of the program's standard error is kept for the message.
constexpr std::size_t kErrorHeadBytes = 4096;
// How long a thread whose transfer was cancelled may take to end.
constexpr DWORD kCancelledEndMs = 500;

// One pipe: the tool's end, and the end the program inherits.
struct PipePair {
    KernelHandle ours, theirs;
};

PipePair MakePipe(bool theyRead) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, kPipeChunk)) return {};
    KernelHandle reading(readEnd), writing(writeEnd);
    PipePair pair = theyRead ? PipePair{std::move(writing), std::move(reading)}
                             : PipePair{std::move(reading), std::move(writing)};
    SetHandleInformation(pair.ours.Get(), HANDLE_FLAG_INHERIT, 0);
    return pair;
}

// Writes the whole input, then closes the pipe (the program's end of input).
// A program that stops reading early breaks the pipe; that ends the writing.
struct PipeWriter {
    KernelHandle pipe;
    const std::string* input = nullptr;
    static DWORD WINAPI Run(void* context) {
        auto& self = *static_cast<PipeWriter*>(context);
        for (std::size_t done = 0; done < self.input->size();) {
            const auto chunk = static_cast<DWORD>(std::min<std::size_t>(self.input->size() - done, kPipeChunk));
            DWORD written = 0;
            if (!WriteFile(self.pipe.Get(), self.input->data() + done, chunk, &written, nullptr) || written == 0) break;
            done += written;
        }
        self.pipe.Reset();
        return 0;
    }
};

// Reads until the pipe ends, keeping up to `limit` bytes, straight into the
// string (with room made at the start for `expected` bytes); what comes past
// the limit, or past what memory holds, is read and dropped (the program must
// not wait for the tool), and noted. The string grows ahead of what was read
// and is cut to it at the end: a program that writes a few kilobytes at a
// time costs no clearing of a whole chunk per read.
struct PipeReader {
    KernelHandle pipe;
    std::size_t limit = 0;
    std::size_t expected = 0;
    std::string bytes;
    bool overflow = false;
    static DWORD WINAPI Run(void* context) {
        auto& self = *static_cast<PipeReader*>(context);
        try {
            self.bytes.reserve(std::min(self.expected, self.limit));
        } catch (const std::bad_alloc&) {
        }
        std::size_t kept = 0;
        std::vector<char> dropped;
        for (;;) {
            const auto room = static_cast<DWORD>(std::min<std::size_t>(kPipeChunk, self.limit - kept));
            char* into = nullptr;
            if (!self.overflow && room != 0) {
                try {
                    if (self.bytes.size() < kept + room) self.bytes.resize(std::max<std::size_t>(kept + room, self.bytes.capacity()));
                    into = self.bytes.data() + kept;
                } catch (const std::bad_alloc&) {
                    self.overflow = true;
                }
            }
            if (into == nullptr) {
                dropped.resize(kPipeChunk);
                into = dropped.data();
            }
            DWORD read = 0;
            const bool ok = ReadFile(self.pipe.Get(), into, into == dropped.data() ? kPipeChunk : room, &read, nullptr);
            if (!ok || read == 0) break;
            if (into == dropped.data()) {
                self.overflow = true;
            } else {
                kept += read;
            }
        }
        self.bytes.resize(kept);
        return 0;
    }
};

// A thread that serves one pipe. It ends when its pipe does; one blocked in
// a pipe that another process still holds open is ended by cancelling its
// transfer.
class IoThread {
public:
    IoThread() = default;
    IoThread(const IoThread&) = delete;
    IoThread& operator=(const IoThread&) = delete;
    bool Start(LPTHREAD_START_ROUTINE routine, void* context) {
        thread_.Reset(CreateThread(nullptr, 0, routine, context, 0, nullptr));
        return static_cast<bool>(thread_);
    }
    HANDLE Handle() const { return thread_.Get(); }
    bool Ended(DWORD waitMs) const { return !thread_ || WaitForSingleObject(thread_.Get(), waitMs) != WAIT_TIMEOUT; }
    void Cancel() const {
        using CancelFunction = BOOL(WINAPI*)(HANDLE);
        // (Not on every system the tool runs on: looked up, not imported.)
        static const auto cancel = reinterpret_cast<CancelFunction>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "CancelSynchronousIo")));
        if (thread_ && cancel != nullptr) cancel(thread_.Get());
    }

private:
    KernelHandle thread_;
};

}  // namespace

struct FilterPipes::State {
    PipePair input = MakePipe(true), output = MakePipe(false), errors = MakePipe(false);
    PipeWriter writer;
    PipeReader outputReader, errorsReader;
    // Declared last: the threads are waited for before the pipes and the
    // buffers they use go.
    IoThread writing, reading, readingErrors;
};

FilterPipes::FilterPipes() : state_(std::make_unique<State>()) {}

FilterPipes::~FilterPipes() {
    // A thread that could not be ended still uses the state: it is left to
    // the end of the process, which comes soon after a run.
    if (!Stop()) static_cast<void>(state_.release());
}

bool FilterPipes::Stop() {
    IoThread* threads[] = {&state_->writing, &state_->reading, &state_->readingErrors};
    bool ended = true;
    for (IoThread* thread : threads) {
        if (thread->Ended(0)) continue;
        thread->Cancel();
        ended = thread->Ended(kCancelledEndMs) && ended;
    }
    return ended;
}

bool FilterPipes::Made() const { return state_->input.ours && state_->output.ours && state_->errors.ours; }

HANDLE FilterPipes::ProgramInput() const { return state_->input.theirs.Get(); }
HANDLE FilterPipes::ProgramOutput() const { return state_->output.theirs.Get(); }
HANDLE FilterPipes::ProgramErrors() const { return state_->errors.theirs.Get(); }

bool FilterPipes::Start(const std::string& input, std::size_t outputLimit, std::size_t expectedOutput) {
    State& s = *state_;
    s.input.theirs.Reset();
    s.output.theirs.Reset();
    s.errors.theirs.Reset();
    s.writer.pipe = std::move(s.input.ours);
    s.writer.input = &input;
    s.outputReader.pipe = std::move(s.output.ours);
    s.outputReader.limit = outputLimit;
    s.outputReader.expected = expectedOutput;
    s.errorsReader.pipe = std::move(s.errors.ours);
    s.errorsReader.limit = s.errorsReader.expected = kErrorHeadBytes;
    return s.writing.Start(PipeWriter::Run, &s.writer) && s.reading.Start(PipeReader::Run, &s.outputReader) &&
           s.readingErrors.Start(PipeReader::Run, &s.errorsReader);
}

std::vector<HANDLE> FilterPipes::Threads() const {
    return {state_->writing.Handle(), state_->reading.Handle(), state_->readingErrors.Handle()};
}

std::string FilterPipes::TakeOutput() { return std::move(state_->outputReader.bytes); }
bool FilterPipes::OutputTooLarge() const { return state_->outputReader.overflow; }
std::string FilterPipes::TakeErrorHead() { return std::move(state_->errorsReader.bytes); }
