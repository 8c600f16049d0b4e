#include "engine/sort.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>

#include "engine/blocks.h"
#include "engine/outputfile.h"
#include "engine/tableundo.h"
#include "platform/db/dbserver.h"
#include "platform/runtime/value.h"

namespace engine {

namespace fs = std::filesystem;

namespace {

std::string powerOfTen(int exponent) {
    if (exponent < 0) exponent = 0;
    return "1" + std::string(static_cast<size_t>(exponent), '0');
}

RenameFunction& renameFunction() {
    static RenameFunction fn;
    return fn;
}

bool doRename(const std::string& from, const std::string& to, std::string* error) {
    if (renameFunction()) return renameFunction()(from, to, error);
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
    if (error) *error = std::strerror(errno);
    return false;
}

bool upperAscii(const std::string& s) {
    bool letter = false;
    for (unsigned char c : s) {
        if (c >= 'a' && c <= 'z') return false;
        if (c >= 'A' && c <= 'Z') letter = true;
    }
    return letter;
}

// The name memo file `memo` takes beside `table`: its kind's extension (.dbt or .fpt), in the
// case of the table's own.
std::string newMemoName(const std::string& table, const std::string& memo) {
    fs::path p(table);
    std::string ext = fs::path(memo).extension().string();
    const bool upper = upperAscii(p.extension().string());
    for (char& c : ext) c = static_cast<char>(upper ? std::toupper(static_cast<unsigned char>(c)) : std::tolower(static_cast<unsigned char>(c)));
    p.replace_extension(ext);
    return p.string();
}

// The memo file that belongs to an existing table, "" when it has none.
std::string existingMemo(const std::string& table) { return memoFileBeside(table); }

void removeTable(const std::string& table) {
    std::error_code ec;
    fs::remove(table, ec);
    const std::string memo = existingMemo(table);
    if (!memo.empty()) fs::remove(memo, ec);
    fs::remove(fs::path(table).replace_extension(".cpg"), ec);  // a copy's code-page file
}

}  // namespace

std::string numericKeyPart(const FieldDef& f) {
    const int L = f.length, D = f.decimals;
    if (D > 0)
        return "StrZero(" + powerOfTen(L - D - 1) + ".0 + " + f.name + "," + std::to_string(L + 1) + "," +
               std::to_string(D) + ")";
    return "StrZero(" + powerOfTen(L) + " + " + f.name + "," + std::to_string(L + 1) + ",0)";
}

std::string keyPart(const FieldDef& f) {
    if (f.type == "C") return f.name;
    if (f.type == "N") return numericKeyPart(f);
    if (f.type == "L") return "Logic2Bin(" + f.name + ")";
    // Year, month and day: the day-first date text would order by the day of the month.
    if (f.type == "D") return "DToS(" + f.name + ")";
    return {};
}

std::string inputSortKey(const FieldStructure& structIn, const std::vector<int>& items) {
    std::string key;
    for (size_t c = 0; c < items.size(); ++c) {
        const int k = items[c];
        if (k <= 1) continue;
        if (c > 0 && !key.empty()) key += " + ";
        if (static_cast<size_t>(k - 1) <= structIn.size()) key += keyPart(structIn[static_cast<size_t>(k - 2)]);
    }
    return key;
}

std::string outputSortKey(const FieldStructure& fields, const std::vector<std::string>& names) {
    std::string key;
    for (const std::string& name : names) {
        if (name.empty()) continue;
        for (const FieldDef& f : fields) {
            if (f.name != name) continue;
            if (!key.empty()) key += " + ";
            key += keyPart(f);
            break;
        }
    }
    return key;
}

bool createIndex(db::DBSERVER& table, const std::string& file, const std::string& key) {
    // The run's threads for the index and for the walk along it that follows. A sort's keys
    // name fields and built-in functions only, which may run on several threads at once.
    db::SetIndexThreads(workerCount());
    return table.CREATEINDEX(file, key);
}

RenameFunction setRenameFunction(RenameFunction fn) {
    RenameFunction previous = std::move(renameFunction());
    renameFunction() = std::move(fn);
    return previous;
}

bool replaceTable(const std::string& temp, const std::string& target, std::string* error) {
    std::error_code ec;
    const std::string tempMemo = existingMemo(temp);
    const std::string oldMemo = existingMemo(target);
    const std::string newMemo = tempMemo.empty() ? std::string() : newMemoName(target, tempMemo);
    // The new files take the old ones' permissions: a rename would otherwise drop them.
    keepAttributes(target, temp);
    if (!tempMemo.empty()) keepAttributes(oldMemo.empty() ? target : oldMemo, tempMemo);
    // The old memo file steps aside first, so that the table file and its memo file are
    // replaced together or not at all.
    std::string backup;
    if (!oldMemo.empty()) {
        backup = oldMemo + ".~old";
        fs::remove(backup, ec);
        if (!doRename(oldMemo, backup, error)) return false;
    }
    auto restoreMemo = [&] {
        if (!backup.empty()) doRename(backup, oldMemo, nullptr);
    };
    if (!tempMemo.empty() && !doRename(tempMemo, newMemo, error)) {
        restoreMemo();
        return false;
    }
    if (!doRename(temp, target, error)) {
        if (!tempMemo.empty()) doRename(newMemo, tempMemo, nullptr);
        restoreMemo();
        return false;
    }
    if (!backup.empty()) fs::remove(backup, ec);
    // The code page named beside a table goes with it: the new table's ".cpg" file, or none
    // where the new table names its code page itself.
    const fs::path tempCpg = fs::path(temp).replace_extension(".cpg"), targetCpg = fs::path(target).replace_extension(".cpg");
    if (fs::exists(tempCpg, ec)) {
        if (!doRename(tempCpg.string(), targetCpg.string(), error)) return false;
    } else {
        fs::remove(targetCpg, ec);
    }
    return true;
}

// The bytes of records a rewrite reads and appends at a time: the progress and a cancel are
// looked at between blocks.
constexpr size_t kRewriteBlockBytes = size_t{1} << 20;

namespace {

// Appends blocks of records to a table in the order they are handed over, on a thread of its
// own where the run may use more than one, while the run's thread reads the next blocks; at
// most two wait. The table is touched by that thread alone until finish() returns.
class BlockAppender {
public:
    explicit BlockAppender(db::DBSERVER& table) : table_(table) {
        if (workerCount() > 1) thread_ = std::thread([this] { run(); });
    }
    ~BlockAppender() { finish(true); }
    BlockAppender(const BlockAppender&) = delete;
    BlockAppender& operator=(const BlockAppender&) = delete;

    // False once an append failed (the reason in the table's Status()).
    bool hand(std::string block, size_t count) {
        if (!thread_.joinable()) return table_.APPENDRECORDS(block, count);
        std::unique_lock<std::mutex> lock(mutex_);
        room_.wait(lock, [this] { return waiting_.size() < 2 || failed_; });
        if (failed_) return false;
        waiting_.emplace_back(std::move(block), count);
        work_.notify_one();
        return true;
    }
    // Appends what waits (or drops it) and ends the thread; false where an append failed.
    bool finish(bool drop = false) {
        if (thread_.joinable()) {
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                done_ = true;
                if (drop) waiting_.clear();
            }
            work_.notify_one();
            thread_.join();
        }
        return !failed_;
    }

private:
    void run() {
        for (;;) {
            std::pair<std::string, size_t> next;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                work_.wait(lock, [this] { return !waiting_.empty() || done_; });
                if (waiting_.empty()) return;
                next = std::move(waiting_.front());
                waiting_.pop_front();
            }
            room_.notify_one();
            if (!table_.APPENDRECORDS(next.first, next.second)) {
                const std::lock_guard<std::mutex> lock(mutex_);
                failed_ = true;
                waiting_.clear();
                room_.notify_one();
                return;
            }
        }
    }

    db::DBSERVER& table_;
    std::mutex mutex_;
    std::condition_variable work_, room_;
    std::deque<std::pair<std::string, size_t>> waiting_;
    bool done_ = false, failed_ = false;
    std::thread thread_;
};

}  // namespace

RewriteResult rewriteInOrder(db::DBSERVER& table, const std::string& temp, RunContext& context) {
    RewriteResult r;
    context.progressStart();
    context.progressSetMax(static_cast<double>(table.COUNT()));
    // `temp` is a name the caller made for this run: the copy takes its place.
    if (!table.COPYSTRUCTURE(temp)) {
        r.end = RewriteEnd::TempFailed;
        r.error = table.Status();
        removeTable(temp);
        return r;
    }
    {
        db::DBSERVER copy(temp, false, false, "DBFNTX");
        if (!copy.USED()) {
            r.end = RewriteEnd::TempFailed;
            r.error = copy.Status();
            removeTable(temp);
            return r;
        }
        // The copy is of the table's code page: text copied field by field (beside a memo)
        // goes over as its bytes, not through the program's character set and back.
        copy.setTextCodePage(copy.CODEPAGE());
        table.setTextCodePage(copy.CODEPAGE());
        struct ProgramTextAfter {
            db::DBSERVER& table;
            ~ProgramTextAfter() {
                if (table.USED()) table.setTextCodePage(0);
            }
        } programTextAfter{table};
        bool ok = true, readFailed = false;
        auto step = [&](int64_t copied) {
            r.count = static_cast<uint32_t>(copied);
            if (context.progressTimeOk()) context.progressUpdate(r.count);
            context.pump();
            return !context.cancelled();
        };
        // Nobody reads the copy while it is made: its record count goes to its header with
        // its buffered writes, not once a record.
        copy.DEFERCOUNT(true);
        db::SetIndexThreads(workerCount());  // the records of the order gathered on every core
        table.GOTOP();
        if (copy.SAMELAYOUT(table) && copy.canBuildRecords()) {
            // Records laid out alike go over as their bytes, a block of the order at a time;
            // a copy's record is never marked deleted, as APPENDCOPY makes it.
            size_t recordBytes = 1;
            for (const db::FieldInfo& f : table.fields()) recordBytes += static_cast<size_t>(f.length);
            const size_t most = std::max<size_t>(1, kRewriteBlockBytes / recordBytes);
            BlockAppender appender(copy);
            bool stopped = false;
            for (;;) {
                std::string block;
                size_t n = 0;
                if (!table.READRECORDS(block, most, &n)) {
                    ok = false;
                    readFailed = true;
                    break;
                }
                if (n == 0) break;
                const size_t length = block.size() / n;
                for (size_t i = 0; i < n; ++i) block[i * length] = ' ';
                ok = appender.hand(std::move(block), n);
                if (!ok) break;
                if (!step(r.count + static_cast<int64_t>(n))) {
                    stopped = true;
                    break;
                }
            }
            // After a cancel or a failure what waits is not worth appending: the copy goes.
            if (!appender.finish(stopped || !ok)) ok = false;
        } else {
            while (!table.EOF()) {
                ok = copy.APPENDCOPY(table);
                if (!ok || !step(r.count + 1)) break;
                table.SKIP();
            }
        }
        if (ok) ok = copy.COMMIT();
        if (!copy.CLOSE()) ok = false;
        if (!ok) {
            r.end = RewriteEnd::CopyFailed;
            r.error = readFailed ? table.Status() : copy.Status();
            removeTable(temp);
            return r;
        }
    }
    if (context.cancelled()) {
        r.end = RewriteEnd::Cancelled;
        removeTable(temp);
        return r;
    }
    context.progressFinish();
    // A table reached through a link is replaced where the link leads, and the link stays.
    const std::string file = followLinks(table.FULLPATH());
    table.CLOSE();
    if (!replaceTable(temp, file, &r.error)) r.end = RewriteEnd::ReplaceFailed;
    removeTable(temp);  // what is left of the copy (its code-page file beside a replaced table)
    return r;
}

}  // namespace engine
