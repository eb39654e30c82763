#include "download/transfer_outcome.h"

#include <cstring>

using namespace Qt::StringLiterals;

namespace pg {

QString PhaseText(TransferPhase phase) {
    switch (phase) {
        case TransferPhase::GettingInformation:
            return u"Getting file information..."_s;
        case TransferPhase::Resuming:
            return u"Resuming download..."_s;
        case TransferPhase::Saving:
            return u"Saving:"_s;
        case TransferPhase::WaitingToRetry:
            return u"Server busy - waiting to ask again..."_s;
        case TransferPhase::Completed:
            return u"Download completed!"_s;
    }
    return {};
}

QString LogMessage(const TransferOutcome& outcome) {
    switch (outcome.cause) {
        case FailureCause::None:
        case FailureCause::RetryDeclined:
            return {};
        case FailureCause::NothingToDownload:
            return u"Nothing to download."_s;
        case FailureCause::AuthorizationFailed:
            return u"Authorization failed."_s;
        case FailureCause::NotFound:
            return u"File was not found."_s;
        case FailureCause::NoConnection:
            return u"Unable to connect."_s;
        case FailureCause::UnexpectedStatus:
            return u"Unexpected error has occurred."_s;
        case FailureCause::ResumeRefused:
            return u"Unable to resume download."_s;
        case FailureCause::DiskFull:
            return u"Insufficient disk space."_s;
        case FailureCause::LengthUnknown:
            return u"The server did not tell where the file ends."_s;
        case FailureCause::NoVersion:
            return u"The server sent the file in parts without identifying its version."_s;
        case FailureCause::FileSystem:
            return SystemErrorMessage(outcome.code);
        case FailureCause::Request:
            return u"Error %1 : %2"_s.arg(outcome.code).arg(outcome.detail);
    }
    return {};
}

QString SystemErrorMessage(int errorNumber) {
    return u"Error %1 : %2"_s.arg(errorNumber)
        .arg(QString::fromLocal8Bit(std::strerror(errorNumber)));
}

}  // namespace pg
