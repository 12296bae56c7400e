// PageratesReportDownload for every host program that asks for the reports
// (see host_hooks.h). A file of its own: a program that never names the
// functions below does not link it, and so exports no reporter.
#include "host/hook_route.h"
#include "host/host_hooks.h"

namespace pagerates::cli {
namespace {

HookRoute<DownloadReport>& Reports() {
  static HookRoute<DownloadReport> route;
  return route;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const DownloadReport& report) {
  return out << "[" << report.address << " " << report.outcome << "]";
}

DownloadReportHandler SetDownloadReportHandler(DownloadReportHandler handler) {
  return Reports().Set(std::move(handler));
}

std::vector<DownloadReport> TakeDownloadReports() { return Reports().Take(); }

}  // namespace pagerates::cli

extern "C" PAGERATES_HOST_EXPORT void PageratesReportDownload(
    const char* address, const char* outcome) {
  using pagerates::cli::DownloadReport;
  try {
    pagerates::cli::Reports().Deliver(DownloadReport{
        address != nullptr ? address : "", outcome != nullptr ? outcome : ""});
  } catch (...) {
    // Out of memory for the copy: the report is lost.
  }
}
