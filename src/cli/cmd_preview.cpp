// `orrivan-cli preview IN OUT`: writes the preview of one file exactly as an import would (a movie's
// first frame, the memo picture, or the still image reduced to 320 on its longer side, quality 75).
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "imaging/preview.h"

namespace orrivan::cli {

void AddPreviewCommands(CLI::App& app) {
  struct Args {
    std::string in;
    std::string out;
  };
  auto args = std::make_shared<Args>();
  CLI::App* cmd = app.add_subcommand("preview", "Write the preview of one picture, movie or voice memo");
  cmd->add_option("IN", args->in, "Picture (JPG), movie (AVI) or voice memo (WAV)")->required();
  cmd->add_option("OUT", args->out, "Preview file to write (JPEG)")->required();
  cmd->callback([args] {
    switch (imaging::MakePreview(args->in, args->out)) {
      case imaging::PreviewOutcome::Written:
        return;
      case imaging::PreviewOutcome::SharedWithImage:
      {
        const std::filesystem::path memo(args->in);
        const auto twin = imaging::FindIgnoringCase(memo.parent_path(),
                                                    imaging::ImageTwinName(memo.filename().string()));
        std::cout << "nothing written: the image " << twin.value_or(memo).string()
                  << " beside the memo gives the preview\n";
      }
        return;
      case imaging::PreviewOutcome::Failed:
        std::cerr << "cannot make a preview of " << args->in << "\n";
        Exit(kExitFailed);
    }
  });
}

}  // namespace orrivan::cli
