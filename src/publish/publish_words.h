// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// What a publish says: its failures with the way on, and what it did, in both front ends' words.
#pragma once

#include <string>

#include "publish/destination.h"
#include "publish/publish_run.h"

namespace quillmere {

// Why `text` is refused as a destination, and how to write it instead.
std::string DescribeDestinationProblem(DestinationProblem problem, const std::string& text);

// Where the publish failed and what to do, for the album of `indexPath` and `destination`.
// `window` words the ssh questions that the window cannot ask.
std::string DescribePublishFailure(const PublishFailure& failure, const std::string& indexPath,
                                   const Destination& destination, bool window);

// What the publish did, or would do: "12 files sent, 3 removed, to host:www/".
std::string PublishDone(const PublishOutcome& outcome, const Destination& destination, bool dryRun);

}  // namespace quillmere
