#include "highlight/highlight.hpp"

#include <KSyntaxHighlighting/AbstractHighlighter>
#include <KSyntaxHighlighting/Definition>
#include <KSyntaxHighlighting/Format>
#include <KSyntaxHighlighting/Repository>
#include <KSyntaxHighlighting/State>
#include <KSyntaxHighlighting/Theme>
#include <QStandardPaths>
#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <mutex>
#include <unordered_map>

#include "utils/utf8_chars.hpp"

// A resource compiled into a static library must be registered by hand: no
// code refers to its object file, so nothing else would pull it in.
static void register_theme_resource() { Q_INIT_RESOURCE(highlight_theme); }

namespace highlight {
namespace {

namespace ksh = KSyntaxHighlighting;

// Our own theme, from the resource above. It claims the highest revision
// there is, so a theme file of the same name found on the system replaces it
// only by claiming the same.
const QString kThemeName = QStringLiteral("Catppuccin Frappe");

// Qt and the library would write their warnings to standard error, which is
// the screen while the terminal is ours.
void drop_message(QtMsgType, const QMessageLogContext&, const QString&) {}

bool is_ascii(std::string_view s) {
  return std::none_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

Rgba to_rgba(QRgb c) {
  return {static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)),
          static_cast<std::uint8_t>(qBlue(c)), static_cast<std::uint8_t>(qAlpha(c))};
}

struct TokenStyle {
  Rgba foreground;
  Rgba background;
  std::uint8_t font_style = 0;
};

// A line as the library reads it, UTF-16, with the byte of the line at which
// each UTF-16 position starts. An ill-formed byte reads as U+FFFD but keeps
// its own place, so the tokens cut the line's own bytes and join back to it.
struct WideLine {
  QString text;
  std::vector<std::size_t> byte_at;  // empty: ASCII, positions are bytes

  explicit WideLine(std::string_view line) {
    if (is_ascii(line)) {
      text = QString::fromLatin1(line.data(), static_cast<int>(line.size()));
      return;
    }
    text.reserve(static_cast<int>(line.size()));
    byte_at.reserve(line.size() + 1);
    for (std::size_t i = 0; i < line.size();) {
      std::size_t length;
      char32_t cp = utils::decode_utf8_at(line, i, length);
      if (cp == utils::kNotUtf8) cp = 0xFFFD;
      if (cp >= 0x10000) {
        text += QChar(QChar::highSurrogate(cp));
        text += QChar(QChar::lowSurrogate(cp));
        byte_at.push_back(i);
        byte_at.push_back(i + length);  // a cut inside the pair falls after it
      } else {
        text += QChar(static_cast<char16_t>(cp));
        byte_at.push_back(i);
      }
      i += length;
    }
    byte_at.push_back(line.size());
  }

  std::size_t byte(int position) const {
    return byte_at.empty() ? static_cast<std::size_t>(position) : byte_at[static_cast<std::size_t>(position)];
  }
};

struct Piece {
  int offset;
  int length;
  ksh::Format format;
};

// Collects what the library reports for one line.
class LineRun final : public ksh::AbstractHighlighter {
 public:
  ksh::State line(QStringView text, const ksh::State& state, std::vector<Piece>& out) {
    out_ = &out;
    ksh::State next = highlightLine(text, state);
    out_ = nullptr;
    return next;
  }

 protected:
  void applyFormat(int offset, int length, const ksh::Format& format) override {
    if (length > 0) out_->push_back({offset, length, format});
  }

 private:
  std::vector<Piece>* out_ = nullptr;
};

std::once_flag prepared;

// The definitions and themes, loaded once per process on the main thread and
// never changed after. Loading a definition the first time is the slow part
// (Markdown pulls in dozens of others for its code blocks); kept loaded, a
// request costs only its lines. Every call still starts from a fresh state,
// so the results are those of a repository loaded for the request alone.
// Never destroyed: Qt's own statics go first at exit.
const ksh::Repository* loaded_repository = nullptr;

}  // namespace

std::string file_extension(std::string_view path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return std::string(path);
  return std::string(path.substr(dot + 1));
}

void prepare_process() {
  std::call_once(prepared, [] {
    qInstallMessageHandler(drop_message);
    // Test mode puts ~/.qttest/share in the place of the user's data
    // directory (~/.local/share or XDG_DATA_HOME), so the user's own syntax
    // and theme files cannot change the look, and the environment stays as it
    // is for the programs we start. The system's directories stay visible:
    // definition_for and the theme's revision keep them from taking over.
    QStandardPaths::setTestModeEnabled(true);
    register_theme_resource();
    loaded_repository = new ksh::Repository;
  });
}

struct Highlighter::Impl {
  const ksh::Repository& repository;
  ksh::Theme theme;
  TokenStyle normal;
  Rgba background;
  mutable std::unordered_map<quint16, TokenStyle> styles;  // by format id

  explicit Impl(const ksh::Repository& loaded) : repository(loaded) {
    theme = repository.theme(kThemeName);
    if (!theme.isValid()) theme = repository.defaultTheme(ksh::Repository::DarkTheme);
    background = to_rgba(theme.editorColor(ksh::Theme::BackgroundColor));
    normal.foreground = to_rgba(theme.textColor(ksh::Theme::Normal));
    normal.background = background;
    normal.font_style = font_style(theme.isBold(ksh::Theme::Normal), theme.isItalic(ksh::Theme::Normal),
                                   theme.isUnderline(ksh::Theme::Normal));
  }

  static std::uint8_t font_style(bool bold, bool italic, bool underline) {
    return static_cast<std::uint8_t>((bold ? kBold : 0) | (italic ? kItalic : 0) |
                                     (underline ? kUnderline : 0));
  }

  const TokenStyle& style_of(const ksh::Format& format) const {
    if (!format.isValid()) return normal;
    auto [it, added] = styles.try_emplace(format.id());
    if (added) {
      TokenStyle& s = it->second;
      const QColor fg = format.textColor(theme);
      s.foreground = fg.isValid() ? to_rgba(fg.rgba()) : normal.foreground;
      s.background =
          format.hasBackgroundColor(theme) ? to_rgba(format.backgroundColor(theme).rgba()) : background;
      s.font_style = font_style(format.isBold(theme), format.isItalic(theme), format.isUnderline(theme));
    }
    return it->second;
  }

  // Only the definitions built into the library count; a file installed on
  // the system (XDG_DATA_DIRS) may claim the same names.
  ksh::Definition definition_for(std::string_view extension) const {
    if (extension.empty() || extension.find('/') != std::string_view::npos) return {};
    const QString ext = QString::fromUtf8(extension.data(), static_cast<int>(extension.size()));
    // As a suffix first, then as the whole file name, so "Makefile" works.
    for (const QString& name : {QStringLiteral(".") + ext, ext}) {
      for (const ksh::Definition& def : repository.definitionsForFileName(name))
        if (def.filePath().startsWith(QLatin1String(":/"))) return def;
    }
    return {};
  }

  std::vector<Token> tokens(std::string_view line, const WideLine& wide,
                            const std::vector<Piece>& pieces) const {
    std::vector<Token> out;
    const int size = wide.text.size();
    int done = 0;
    auto add = [&](int from, int to, const TokenStyle& style) {
      const std::size_t begin = wide.byte(from), end = wide.byte(to);
      if (end > begin)
        out.push_back({std::string(line.substr(begin, end - begin)), style.foreground, style.background,
                       style.font_style});
    };
    for (const Piece& piece : pieces) {
      const int from = std::clamp(piece.offset, done, size);
      const int to = std::clamp(piece.offset + piece.length, from, size);
      // What the definition leaves unformatted is normal text.
      if (from > done) add(done, from, normal);
      add(from, to, style_of(piece.format));
      done = std::max(done, to);
    }
    if (done < size) add(done, size, normal);
    return out;
  }

  // Appends the lines' entries to `file`, the run going on from `state`,
  // which is left where the run stopped.
  void run_into(const std::vector<std::string_view>& lines, std::string_view extension, ksh::State& state,
                HighlightedFile& file) const {
    file.lines.reserve(file.lines.size() + lines.size());
    LineRun runner;
    runner.setTheme(theme);
    runner.setDefinition(definition_for(extension));
    std::vector<Piece> pieces;
    for (std::string_view line : lines) {
      const WideLine wide(line);
      pieces.clear();
      state = runner.line(wide.text, state, pieces);
      file.lines.push_back(tokens(line, wide, pieces));
    }
  }

  HighlightedFile run(const std::vector<std::string_view>& lines, std::string_view extension) const {
    HighlightedFile file;
    ksh::State state;
    run_into(lines, extension, state, file);
    return file;
  }
};

struct RunState {
  ksh::State state;
};

Highlighter::Highlighter() {
  prepare_process();
  impl_ = std::make_unique<Impl>(*loaded_repository);
}

Highlighter::~Highlighter() = default;

HighlightedFile Highlighter::highlight_lines(const std::vector<std::string>& lines,
                                             std::string_view extension) const {
  return impl_->run(std::vector<std::string_view>(lines.begin(), lines.end()), extension);
}

HighlightedFile Highlighter::highlight_hunks(const std::vector<repo::Hunk>& hunks,
                                             std::string_view path) const {
  if (hunks.empty()) return {};
  std::vector<std::string_view> lines;
  for (const repo::Hunk& hunk : hunks)
    for (const repo::DiffLine& line : hunk.lines) lines.push_back(line.content);
  return impl_->run(lines, file_extension(path));
}

HighlightCache Highlighter::highlight_commit(const repo::CommitDetails& details) const {
  HighlightCache cache;
  cache.files.reserve(details.files.size());
  for (const repo::FileChange& file : details.files)
    cache.files.push_back(highlight_hunks(file.hunks, file.path));
  return cache;
}

void Highlighter::continue_hunks(const std::vector<repo::Hunk>& hunks, std::string_view path,
                                 std::size_t count, HighlightedFile& file) const {
  std::vector<std::string_view> lines;
  std::size_t k = 0;
  for (const repo::Hunk& hunk : hunks) {
    for (const repo::DiffLine& line : hunk.lines) {
      if (k >= count) break;
      if (k++ >= file.lines.size()) lines.push_back(line.content);
    }
  }
  if (lines.empty()) return;
  ksh::State state = file.stopped ? file.stopped->state : ksh::State();
  impl_->run_into(lines, file_extension(path), state, file);
  file.stopped = std::make_shared<const RunState>(RunState{std::move(state)});
}

std::vector<ConflictHighlight> Highlighter::highlight_conflicts(
    const std::vector<repo::ConflictSection>& sections, std::string_view path) const {
  const std::string extension = file_extension(path);
  std::vector<ConflictHighlight> out;
  out.reserve(sections.size());
  for (const repo::ConflictSection& section : sections)
    out.emplace_back(highlight_lines(section.ours, extension), highlight_lines(section.theirs, extension));
  return out;
}

std::string Highlighter::syntax_name(std::string_view extension) const {
  const ksh::Definition def = impl_->definition_for(extension);
  return def.isValid() ? def.name().toStdString() : std::string();
}

}  // namespace highlight
