// The list file's one edit: the writers' lock, the whole load, the change and the atomic save, in that order.
#include "core/ListFileEdit.h"

#include "core/ListFile.h"

namespace tarnvale {
namespace {

std::string BeingChangedText(const std::string& path, const std::string& holder) {
    return "the list file " + path + " is being changed by " + holder;
}

} // namespace

bool LockListFile(platform::FileLock& lock, const std::string& path, const ListFileWriter& writer, std::string* why) {
    const auto waiting = [&](const std::string& holder) {
        if (writer.waiting)
            writer.waiting(BeingChangedText(path, holder));
    };
    platform::LockRefusal refusal;
    if (lock.Acquire(path, writer.name, writer.wait, &refusal, waiting))
        return true;
    if (why)
        *why = refusal.holder.empty()
                   ? refusal.error
                   : BeingChangedText(path, refusal.holder) + "; waited " +
                         std::to_string(std::chrono::duration_cast<std::chrono::seconds>(writer.wait).count()) + " s";
    return false;
}

bool LoadWholeListFile(const std::string& path, CMediaInfoList& catalogue, std::string* why) {
    ListFileLoad load;
    if (!LoadListFile(path, catalogue, &load)) {
        if (why)
            *why = FailedLoadText(path, load);
        return false;
    }
    if (load.recordsSkipped > 0) {
        if (why)
            *why = TooLongText(path, load) + ", which saving would lose";
        return false;
    }
    return true;
}

ListFileEdit EditListFile(const std::string& path, const ListFileWriter& writer,
                          const std::function<bool(CMediaInfoList&)>& change, bool whole) {
    ListFileEdit edit;
    platform::FileLock lock;
    if (!LockListFile(lock, path, writer, &edit.why)) {
        edit.failure = ListFileEdit::Failure::Lock;
        return edit;
    }
    CMediaInfoList catalogue;
    if (whole && !LoadWholeListFile(path, catalogue, &edit.why)) {
        edit.failure = ListFileEdit::Failure::Load;
        return edit;
    }
    if (!whole && !LoadListFile(path, catalogue))
        catalogue.RemoveAll();
    if (!change(catalogue))
        return edit;
    platform::SystemError error;
    if (!SaveListFile(path, catalogue, &error)) {
        edit.failure = ListFileEdit::Failure::Save;
        edit.why = "cannot save the list file: " + error.message;
        return edit;
    }
    edit.saved = true;
    return edit;
}

} // namespace tarnvale
