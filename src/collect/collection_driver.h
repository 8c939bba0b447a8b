#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "collect/collection_host.h"
#include "collect/collection_run.h"
#include "collect/collection_steps.h"

namespace lh {

// The start/stop button, the keyword loop and the page step of a collection run.
// Single-threaded: a run executes on the thread that calls onStartStopClicked (or
// startRun), start to end. Only requestStop may be called from another thread.
class CollectionDriver {
public:
    // `steps` does the engine-specific work; the driver does not own host, run or steps.
    CollectionDriver(CollectionHost& host, CollectionRun& run, CollectionSteps& steps);

    // Click handler of 按钮立即采集: starts a run and returns when it has ended, or, when
    // the caption is anything but "开始采集", requests a stop and returns at once.
    void onStartStopClicked();

    // Requests a stop of the running run: caption "停止采集中" and the stop flag. May be
    // called from any thread (the caption is set through the host on that thread);
    // does nothing while no run is going on.
    void requestStop();

    // True from the start of a run to the end of its end-of-run report.
    bool running() const { return running_.load(); }

    // The keyword loop of one run (called by onStartStopClicked).
    void runCollection();

    // One page step; true = go on to the next page.
    bool collectPage(const std::string& keyword, long long page);

private:
    void startRun();
    void finishRun();
    void noteFileFailure();
    void pauseWithStop(long long ms);

    CollectionHost& host_;
    CollectionRun& run_;
    CollectionSteps& steps_;
    std::atomic<bool> running_{false};
    // Result-file failures of the current run, one text per failure, for the end report.
    std::vector<std::string> fileFailures_;
};

// Elapsed time with its unit: "999 毫秒", "1.5 分", "2 时" (values rounded to 2 decimals).
std::string formatElapsed(double ms);

// Creates each missing folder along `path` (program text, folder separator between
// parts). Stops at the first folder it cannot create and returns false; true when the
// whole path exists afterwards.
bool ensureFolderPath(const std::string& path);

// The button captions and status texts the run shows.
namespace captions {
const std::string& start();     // 开始采集
const std::string& stop();      // 停止采集
const std::string& stopping();  // 停止采集中
}  // namespace captions

}  // namespace lh
