#pragma once
// The helper's question "is this address a file to download?": the address
// lies in the shared block "ISBINARYMAP", the answer byte goes back into it.
//
// Left open by the helper's contract and settled here:
//  - a HEAD that succeeded but carries no content-type line answers 1: HTTP
//    lets a recipient take such a body as application/octet-stream;
//  - a HEAD that failed (other than 404) before any content-type line
//    arrived answers 0, so the browser keeps the click and shows its own
//    error instead of a download that cannot start;
//  - a query that arrives while another waits for its HEAD response is
//    served at once in the nested loop, with its own block and client.

#include "HelperContract.h"

#include <QString>
#include <QStringList>

namespace flk {

class TBinaryQuery {
public:
    static constexpr const char* kBlockName = contract::kQueryBlock;
    static constexpr int kFieldSize = contract::kQueryFieldSize;
    static constexpr int kBlockSize = contract::kQueryBlockSize;
    static constexpr int kAnswerOffset = contract::kQueryAnswerOffset;

    // Answers the query in the block; raises EOSError when the block cannot
    // be opened (and writes nothing).
    static void Answer();

    // The decision for one address (HEAD for anything but ftp).
    static bool IsFileAddress(const QString& address);
    // The decision from a HEAD result: `failed` with `status`, and the
    // header lines received.
    static bool IsFileResponse(bool failed, int status, const QStringList& headerLines);
};

} // namespace flk
