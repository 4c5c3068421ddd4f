#include "app/UploadReports.h"

#include "app/DialogWindow.h"
#include "upload/OutcomeTexts.h"

namespace kestrovane {

namespace {

// A notice has no caption of its own (the program's name) and an OK button; a
// refusal shows "Error", a failed camera operation "Fail".
MessageReport MessageOf(const OutcomeText& shown) {
    switch (shown.tone) {
        case ReportTone::Refusal:
            return {shown.text, "Error", message_box::kIconError};
        case ReportTone::Failure:
            return {shown.text, "Fail", message_box::kIconError};
        case ReportTone::Notice:
            break;
    }
    return {shown.text, std::nullopt, message_box::kOk};
}

}  // namespace

std::optional<MessageReport> SingleRunReport(const UploadOutcome& outcome) {
    const std::optional<OutcomeText> shown = SingleRunText(outcome);
    if (!shown) return std::nullopt;
    return MessageOf(*shown);
}

std::optional<MessageReport> IncompleteImageNotice(const UploadOutcome& outcome) {
    const std::optional<OutcomeText> shown = IncompleteImageText(outcome);
    if (!shown) return std::nullopt;
    return MessageOf(*shown);
}

AutoRunReport AutoPassReport(const UploadOutcome& outcome) {
    const AutoPassText pass = AutoPassOutcomeText(outcome);
    AutoRunReport report;
    if (pass.status) report.status = "Operation status: " + *pass.status;
    if (pass.message) report.message = MessageOf(*pass.message);
    report.endsRun = pass.endsRun;
    return report;
}

}  // namespace kestrovane
