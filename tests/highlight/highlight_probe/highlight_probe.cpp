// Highlights in a process of its own, so that a test can give it a HOME, XDG_DATA_HOME and
// XDG_DATA_DIRS holding syntax and theme files that must not change the look.
//   highlight_probe ours FILE LINE...  the program's colouring: per line, "text#rrggbb" per token
//   highlight_probe library FILE       what the bare library picks up: the syntax for FILE and
//                                      the file of the theme "Catppuccin Frappe"

#include <KSyntaxHighlighting/Definition>
#include <KSyntaxHighlighting/Repository>
#include <KSyntaxHighlighting/Theme>
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <string>
#include <vector>

#include "highlight/highlight.hpp"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string mode = argv[1];
  if (mode == "ours") {
    const highlight::Highlighter highlighter;
    qWarning("a warning of Qt's");
    const std::vector<std::string> lines(argv + 3, argv + argc);
    for (const auto& line : highlighter.highlight_lines(lines, highlight::file_extension(argv[2])).lines) {
      for (const auto& token : line)
        std::printf("%s#%02x%02x%02x ", token.text.c_str(), token.foreground.r, token.foreground.g,
                    token.foreground.b);
      std::printf("\n");
    }
    std::printf("syntax %s\n", highlighter.syntax_name(highlight::file_extension(argv[2])).c_str());
    return 0;
  }
  if (mode == "library") {
    const KSyntaxHighlighting::Repository repository;
    const auto def = repository.definitionForFileName(QString::fromUtf8(argv[2]));
    std::printf("syntax %s %s\n", qPrintable(def.name()), qPrintable(def.filePath()));
    std::printf("theme %s\n", qPrintable(repository.theme(QStringLiteral("Catppuccin Frappe")).filePath()));
    return 0;
  }
  return 2;
}
