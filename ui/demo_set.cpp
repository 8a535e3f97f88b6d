#include "demo_set.h"

#include "demo_data.h"
#include "progress.h"

std::int64_t g_nDemoSetRecords = disctool::kDefaultDemoRecords;

namespace {

class ProgressBridge final : public disctool::Progress {
  public:
    explicit ProgressBridge(DemoSetProgress& shown) : m_shown(shown) {}
    void Update(const char*, std::int64_t count, double fraction) override {
        m_shown.records.store(count);
        if (fraction >= 0)
            m_shown.permille.store(static_cast<int>(fraction * 1000.0));
    }
    // The records are done; what follows is writing the index and saving the set.
    void Clear() override {
        m_shown.permille.store(1000);
        m_shown.saving.store(true);
    }

  private:
    DemoSetProgress& m_shown;
};

}  // namespace

bool WriteDemoSet(const std::string& folder, DemoSetProgress& progress, std::string& error) {
    ProgressBridge bridge(progress);
    disctool::DemoOptions options;
    options.outDir = folder;
    options.records = g_nDemoSetRecords;
    options.progress = &bridge;
    disctool::DemoSummary summary;
    return disctool::RunDemo(options, summary, error);
}
