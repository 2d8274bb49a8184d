#include "cli/site_check.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <limits>

#include "cli/site_names.h"
#include "index/index_file.h"
#include "paths/paths.h"
#include "run/generate.h"
#include "site/page_output.h"

namespace quillmere {
namespace {

constexpr std::size_t kExcerptLength = 60;

// Tells whether a line read in place of a long description holds something the reader would
// have taken as a description: neither blank nor a comment.
bool HoldsDescription(std::string_view line) {
  if (line.find_first_not_of(' ') == std::string_view::npos) return false;
  return line.front() != ';';
}

std::string Quoted(std::string_view text) {
  std::string shown = Printable(text.substr(0, kExcerptLength));
  if (text.size() > kExcerptLength) shown += "...";
  return "\"" + shown + "\"";
}

std::string Plural(std::uint64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

class Checker {
 public:
  Checker(const std::string& indexPath, FileSystem& fs) : indexPath_(indexPath), fs_(fs) {}

  SiteCheck Run(const IndexFile& index, const IndexReport& report) {
    check_.siteFolder = FolderName(indexPath_);
    check_.pictureCount = index.PictureCount();
    CheckHead(index, report);
    CheckDroppedPairs(report);
    for (std::int64_t n = 1; n <= index.PictureCount(); ++n) {
      std::uint64_t line = report.pictureLines[static_cast<std::size_t>(n - 1)];
      PageNumber number(n);
      LookFor("thumbnail", std::string(index.ThumbPrefix) + std::string(number.text()) + ".jpg",
              line);
      LookFor("picture", std::string(index.ImagePrefix) + std::string(number.text()) + ".jpg",
              line);
    }
    CheckSupportImages(index);
    CheckLeftoverPages(index.PictureCount());
    std::stable_sort(check_.findings.begin(), check_.findings.end(),
                     [](const Finding& a, const Finding& b) { return SortKey(a) < SortKey(b); });
    return std::move(check_);
  }

 private:
  static std::uint64_t SortKey(const Finding& finding) {
    return finding.line == 0 ? std::numeric_limits<std::uint64_t>::max() : finding.line;
  }

  void Add(std::uint64_t line, std::string text, bool note = false) {
    check_.findings.push_back({line, note, std::move(text)});
  }

  void CheckHead(const IndexFile& index, const IndexReport& report) {
    if (report.fifthValueLine == 0) {
      int values = 0;
      for (std::string_view value :
           {index.SiteTitle, index.ThumbPrefix, index.ImagePrefix, index.SupportFolder}) {
        if (!value.empty()) ++values;
      }
      Add(0, "the head ends after " +
                 Plural(static_cast<std::uint64_t>(values), "value", "values") +
                 " of five, so no picture is read");
      return;
    }
    std::string onePerRow;
    if (report.fifthValueNumber < 1) onePerRow = ", so each row holds 1 thumbnail";
    if (!report.fifthValuePlain) {
      Add(report.fifthValueLine, "thumbnails per row " + Quoted(report.fifthValueText) +
                                     " is not a plain whole number; it reads as " +
                                     std::to_string(report.fifthValueNumber) + onePerRow);
    } else if (report.fifthValueNumber < 1) {
      Add(report.fifthValueLine,
          "thumbnails per row " + Quoted(report.fifthValueText) + " is below 1" + onePerRow);
    }
  }

  void CheckDroppedPairs(const IndexReport& report) {
    for (const IndexReport::DroppedPair& pair : report.droppedPairs) {
      // A drop at the end of the file, or of a line that held nothing, loses nothing.
      if (pair.longLine == 0 || !HoldsDescription(pair.longText)) continue;
      bool comment = pair.shortText.starts_with(';');
      std::string what = comment ? "comment line " : "blank line ";
      what += std::to_string(pair.shortLine) + " drops line " + std::to_string(pair.longLine) +
              " with it: " + Quoted(pair.longText);
      Add(pair.shortLine, comment ? "note: " + what : what, comment);
    }
  }

  // Looks for the file that the pages name `name`; reports it on `line` unless it is there.
  // Returns false when it is not there.
  bool LookFor(const char* what, const std::string& name, std::uint64_t line) {
    if (NamesAnotherPlace(name)) {
      ++check_.namesNotChecked;
      return true;
    }
    ++check_.filesChecked;
    std::string problem;
    Result<EntryInfo> entry = fs_.Inspect(PathOnDisk(check_.siteFolder, name), /*follow=*/true);
    if (!entry) {
      problem =
          entry.error == ENOTDIR ? "is missing" : "cannot be checked: " + ErrorText(entry.error);
    } else if (entry.value.kind == EntryInfo::Kind::kMissing) {
      problem = "is missing";
    } else if (entry.value.kind != EntryInfo::Kind::kRegular) {
      problem = "is not a file";
    } else {
      return true;
    }
    Add(line, std::string(what) + " " + Printable(name) + " " + problem);
    return false;
  }

  void CheckSupportImages(const IndexFile& index) {
    bool missing = false;
    for (std::string_view image : SupportImages) {
      if (!LookFor("support image", std::string(index.SupportFolder) + std::string(image), 0)) {
        missing = true;
      }
    }
    check_.supportImagesCanBeAdded =
        missing && !index.SupportFolder.empty() &&
        !NamesAnotherPlace(std::string(index.SupportFolder) + std::string(SupportImages[0]));
  }

  void CheckLeftoverPages(std::int64_t pictureCount) {
    Result<std::vector<std::string>> names = fs_.ListFolder(check_.siteFolder);
    if (!names) {
      Add(0, "the site folder " + Printable(check_.siteFolder) +
                 " cannot be searched for old picture pages: " + ErrorText(names.error));
      return;
    }
    std::vector<std::pair<std::uint64_t, std::string>> leftovers;
    for (const std::string& name : names.value) {
      std::string_view digits(name);
      if (!digits.starts_with("Image") || !digits.ends_with(".html")) continue;
      digits = digits.substr(5, digits.size() - 10);
      if (digits.empty() || digits.front() == '0' ||
          digits.find_first_not_of("0123456789") != std::string_view::npos) {
        continue;
      }
      std::uint64_t number = 0;
      auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
      if (error == std::errc::result_out_of_range)
        number = std::numeric_limits<std::uint64_t>::max();
      if (number > static_cast<std::uint64_t>(pictureCount)) leftovers.emplace_back(number, name);
    }
    std::sort(leftovers.begin(), leftovers.end());
    for (const auto& [number, name] : leftovers) {
      Add(0, "page " + Printable(name) + " is left over from an earlier run with more pictures");
    }
  }

  const std::string& indexPath_;
  FileSystem& fs_;
  SiteCheck check_;
};

}  // namespace

std::uint64_t SiteCheck::Problems() const {
  return static_cast<std::uint64_t>(
      std::count_if(findings.begin(), findings.end(), [](const Finding& f) { return !f.note; }));
}

std::uint64_t SiteCheck::Notes() const {
  return static_cast<std::uint64_t>(findings.size()) - Problems();
}

std::variant<SiteCheck, std::string> CheckSite(const std::string& indexPath, FileSystem& fs) {
  IndexReport report;
  std::variant<IndexFile, ChosenFileFailure> read = ReadChosenIndexFile(indexPath, fs, &report);
  if (auto* failure = std::get_if<ChosenFileFailure>(&read)) return std::move(failure->message);
  return Checker(indexPath, fs).Run(std::get<IndexFile>(read), report);
}

}  // namespace quillmere
