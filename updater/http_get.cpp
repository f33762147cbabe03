#include "updater/http_get.h"

#include <atomic>

#include "common/product.h"
#include "common/scoped_handle.h"
#include "ui/application.h"

// What the worker and the interface thread share. The worker holds it too, so it outlives
// a client that goes while a server keeps the worker waiting.
struct HttpGet::Transfer : Http::Sink {
    std::shared_ptr<Http::Session> session;
    Http::Endpoint endpoint;
    Http::Request request;
    std::shared_ptr<Http::Sink> sink;

    std::atomic<HINTERNET> stopSlot{nullptr};
    std::atomic<bool> stopped{false};
    std::atomic<bool> begun{false};
    std::atomic<bool> finished{false};
    std::atomic<std::uint64_t> total{0};
    std::atomic<std::uint64_t> received{0};
    ScopedHandle changed{CreateEventW(nullptr, FALSE, FALSE, nullptr)}; // progress, or the end
    Http::Result result; // the worker's, once finished
    static constexpr ULONGLONG kProgressMilliseconds = 40;
    ULONGLONG lastSignal = 0; // the worker's

    void Begin(std::optional<std::uint64_t> length) override
    {
        total = length.value_or(0);
        begun = true;
        sink->Begin(length);
        SetEvent(changed.Get());
    }
    bool Write(const char* data, std::size_t size) override
    {
        if (stopped)
            return false;
        const bool taken = sink->Write(data, size);
        received += size;
        // The window looks at most every few tens of milliseconds; waking it for every
        // piece would cost more than the transfer itself.
        const ULONGLONG now = GetTickCount64();
        if (now - lastSignal >= kProgressMilliseconds) {
            lastSignal = now;
            SetEvent(changed.Get());
        }
        return taken;
    }

    static DWORD WINAPI Run(void* parameter)
    {
        const std::unique_ptr<std::shared_ptr<Transfer>> owner(static_cast<std::shared_ptr<Transfer>*>(parameter));
        Transfer& transfer = **owner;
        transfer.result = transfer.session->Get(transfer.endpoint, transfer.request, transfer, &transfer.stopSlot);
        transfer.finished = true;
        SetEvent(transfer.changed.Get());
        return 0;
    }
};

HttpGet::HttpGet() : session(std::make_shared<Http::Session>(Product::kUserAgent)) {}

HttpGet::~HttpGet() { Disconnect(); }

Http::Result HttpGet::Get(const Http::Endpoint& endpoint, const std::wstring& path, std::shared_ptr<Http::Sink> sink)
{
    Http::Result cancelled;
    cancelled.error = ERROR_WINHTTP_OPERATION_CANCELLED;
    const auto transfer = std::make_shared<Transfer>();
    transfer->session = session;
    transfer->endpoint = endpoint;
    transfer->request = {path, accept, true};
    transfer->sink = std::move(sink);
    if (!transfer->changed)
        return cancelled;
    auto* workerShare = new std::shared_ptr<Transfer>(transfer);
    const HANDLE worker = CreateThread(nullptr, 0, Transfer::Run, workerShare, 0, nullptr);
    if (!worker) {
        delete workerShare;
        cancelled.error = GetLastError();
        return cancelled;
    }
    CloseHandle(worker); // it ends by itself; nothing waits for it
    running = transfer;

    ui::Application& application = ui::Application::Instance();
    bool reportedBegin = false;
    std::uint64_t reportedCount = 0;
    for (;;) {
        application.ProcessMessages();
        if (transfer->stopped)
            return cancelled;
        if (application.Terminated()) {
            Disconnect();
            return cancelled;
        }
        const bool done = transfer->finished;
        if (!reportedBegin && transfer->begun) {
            reportedBegin = true;
            if (OnWorkBegin)
                OnWorkBegin(std::int64_t(transfer->total.load()));
        }
        const std::uint64_t count = transfer->received;
        if (reportedBegin && count != reportedCount) {
            reportedCount = count;
            if (OnWork)
                OnWork(std::int64_t(count));
        }
        if (done) {
            running.reset();
            return transfer->result;
        }
        const HANDLE changed = transfer->changed.Get();
        MsgWaitForMultipleObjectsEx(1, &changed, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

void HttpGet::Disconnect()
{
    if (!running)
        return;
    const std::shared_ptr<Transfer> transfer = std::move(running);
    transfer->stopped = true;
    Http::Stop(transfer->stopSlot);
    SetEvent(transfer->changed.Get());
}
