// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "publish/publish_words.h"

#include "paths/paths.h"
#include "run/message_text.h"

namespace quillmere {
namespace {

// The index file that a refusal is about, as the person would name it.
std::string AlbumOf(const SiteRefusal& refusal, const std::string& indexPath) {
  return FolderAsGiven(indexPath) + refusal.indexFile;
}

std::string DescribeRefusal(const SiteRefusal& refusal, const std::string& indexPath) {
  const std::string album = AlbumOf(refusal, indexPath);
  using Reason = SiteRefusal::Reason;
  switch (refusal.reason) {
    case Reason::kAlbumBusy:
      return album + " is being changed by another run: publish it once that run is done";
    case Reason::kUnfinishedChange:
      return "a change to " + album +
             " was cut short: finish it with any album command on it (--make-thumbnails does "
             "little else), or undo it with --abandon-change, then publish";
    case Reason::kPrefixOutside:
      return "the prefix \"" + refusal.detail + "\" of " + album +
             " leads out of the album's folder, and only that folder is published: publish the "
             "folder it leads to, or keep the files inside the album";
    case Reason::kFileMissing:
      return "the site of " + album + " lacks " + FolderAsGiven(indexPath) + refusal.detail +
             (refusal.more > 0 ? " and " + Count(refusal.more, "more file", "more files") : "") +
             ": write its pages by running the index file, and its thumbnails with "
             "--make-thumbnails, then publish";
    case Reason::kIndexUnreadable:
      return album + " could not be read" +
             (refusal.error ? ": " + refusal.error.message() : std::string());
  }
  return album + " cannot be published";
}

}  // namespace

std::string DescribeDestinationProblem(DestinationProblem problem, const std::string& text) {
  switch (problem) {
    case DestinationProblem::kEmpty:
      return "the destination is empty";
    case DestinationProblem::kOtherScheme:
      return "cannot publish to " + text +
             ": give a folder, [user@]host:folder for ssh, or rsync://host/module/folder";
    case DestinationProblem::kColonInLocalPath:
      return "the destination " + text +
             " holds a colon after a folder; a local folder is written ./" + text +
             ", a folder on a host host:folder";
    case DestinationProblem::kDoubleColon:
      return "the destination " + text +
             " names an rsync server: write it rsync://host/module/folder";
    case DestinationProblem::kBadHost:
      return "the destination " + text + " does not name a host that can be reached";
  }
  return "the destination " + text + " is refused";
}

std::string DescribePublishFailure(const PublishFailure& failure, const std::string& indexPath,
                                   const Destination& destination, bool window) {
  using Kind = PublishFailure::Kind;
  const std::string& host = destination.host;
  const std::string said = failure.said.empty() ? "" : " (" + failure.said + ")";
  switch (failure.kind) {
    case Kind::kSiteRefused:
      return DescribeRefusal(failure.refusal, indexPath);
    case Kind::kInsideAlbum:
      return "the destination " + destination.text +
             " is inside the album's folder: publish to a folder outside it";
    case Kind::kForeignList:
      return destination.folder + std::string(kPublishedListName) +
             " was not written by this program, so it cannot tell which files there are its "
             "own: publish to another folder, or remove that file";
    case Kind::kListUnreadable:
      return destination.folder + std::string(kPublishedListName) +
             " could not be read: " + failure.error.message();
    case Kind::kWorkFiles:
      return "the list of files for rsync could not be written: " + failure.error.message();
    case Kind::kNoRsync:
      return "rsync is not installed: install the rsync package, then publish";
    case Kind::kNoSsh:
      return "ssh is not installed: install the openssh-client package, then publish";
    case Kind::kNoRsyncThere:
      return "rsync is not installed on " + host +
             ": install the rsync package there, then publish";
    case Kind::kHostKeyUnknown:
      return window ? "the key of " + host +
                          " is not known yet or has changed: connect once with ssh " + host +
                          " in a terminal and check its key, then publish"
                    : "ssh did not accept the key of " + host + ": check it with ssh " + host;
    case Kind::kNotLetIn:
      return window ? host +
                          " did not let you in without a question: add your key to the ssh agent "
                          "with ssh-add, or publish from a terminal with quillmere-cli --publish"
                    : host + " did not let you in" + said;
    case Kind::kNoConnection:
      return "could not reach " + (host.empty() ? destination.text : host) + said;
    case Kind::kPartial:
      return "some files were not sent to " + destination.text + said + ": publish again to finish";
    case Kind::kVanished:
      return "files of the album changed while they were sent: publish again";
    case Kind::kStopped:
      return "publishing was stopped: publish again to finish";
    case Kind::kRsync:
      return failure.error ? "rsync could not be run: " + failure.error.message()
                           : "rsync failed with status " + std::to_string(failure.status) + said;
  }
  return "publishing failed";
}

std::string PublishDone(const PublishOutcome& outcome, const Destination& destination,
                        bool dryRun) {
  std::string text =
      Count(outcome.sent.size(), "file", "files") + (dryRun ? " would be sent, " : " sent, ") +
      std::to_string(outcome.removed.size()) + (dryRun ? " would be removed" : " removed");
  if (outcome.adopted > 0) text += ", " + std::to_string(outcome.adopted) + " already there";
  return text + ", to " + destination.text;
}

}  // namespace quillmere
