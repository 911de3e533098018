#include "plugin/rename_writer.h"

#include "order/order_file.h"
#include "order/pending_renames.h"
#include "plugin/module_state.h"

namespace {

// Who owns the job now: the watch's thread until it starts the writer, the
// writer until it is done, then the watch's thread again (or, once the host
// exited, the writer itself, which frees it).
const LONG kWriting = 1;
const LONG kDone = 2;
const LONG kAbandoned = 3;

// The job under way, null when none: its `state` tells who owns it. Each
// job has its own, so a writer still running from before an exit never
// takes a later job's for its own.
RenameRewriteJob* g_job;

DWORD WINAPI WriteOnItsOwnThread(void* parameter) {
    RenameRewriteJob* job = static_cast<RenameRewriteJob*>(parameter);
    WriteRenameRewrite(job);
    // Nothing of the module is touched after this but the job, freed here
    // only when the watch will never come for it.
    if (InterlockedCompareExchange(&job->state, kDone, kWriting) == kAbandoned) FreeRenameRewrite(job);
    FreeLibraryAndExitThread(g_module.moduleHandle, 0);
}

RenameWrite Outcome(RenameRewrite rewrite) {
    switch (rewrite) {
        case RenameRewrite::kRewritten: return RenameWrite::kWritten;
        case RenameRewrite::kLeftAlone: return RenameWrite::kLeftAlone;
        default: return RenameWrite::kNotNow;
    }
}

// The renames a finished write took are done with, but for those that wait still.
RenameWrite Finish(RenameRewriteJob* job) {
    const RenameWrite outcome = Outcome(job->result);
    if (outcome != RenameWrite::kNotNow) ForgetFirstPendingRenames(job->renames, job->generation);
    RememberLeftoverSave(job->leftoverCopy);
    FreeRenameRewrite(job);
    return outcome;
}

}  // namespace

RenameWrite StartRenameWrite() {
    if (g_job) return RenameWrite::kUnderWay;
    RenameRewriteJob* job = nullptr;
    const RenameRewrite prepared = PrepareRenameRewrite(&job);
    if (!job) {
        if (prepared == RenameRewrite::kLeftAlone) ForgetPendingRenames();
        return Outcome(prepared);
    }
    // The writer's own reference keeps the module mapped until it ends,
    // whatever the host frees meanwhile.
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&g_job), &self)) {
        FreeRenameRewrite(job);
        return RenameWrite::kNotNow;
    }
    g_job = job;
    job->state = kWriting;
    HANDLE thread = CreateThread(nullptr, 0, WriteOnItsOwnThread, job, 0, nullptr);
    if (!thread) {
        g_job = nullptr;
        FreeRenameRewrite(job);
        FreeLibrary(self);
        return RenameWrite::kNotNow;
    }
    CloseHandle(thread);
    return RenameWrite::kUnderWay;
}

RenameWrite TakeRenameWrite() {
    if (!g_job) return RenameWrite::kNone;
    // Read as an interlocked operation: what the writer wrote before it is seen too.
    if (InterlockedCompareExchange(&g_job->state, kDone, kDone) != kDone) return RenameWrite::kUnderWay;
    RenameRewriteJob* job = g_job;
    g_job = nullptr;
    return Finish(job);
}

void AbandonRenameWrite() {
    if (!g_job) return;
    RenameRewriteJob* job = g_job;
    g_job = nullptr;
    if (InterlockedCompareExchange(&job->state, kAbandoned, kWriting) == kDone) FreeRenameRewrite(job);
}
