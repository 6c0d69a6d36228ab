#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace veltra::tools {

// `veltradsp pipewire list|attach|detach|status`: the speaker path bound to one output device
// through the session manager, the Linux counterpart of VeltraDspSetup attach.
class PipeWireCommands {
  public:
    explicit PipeWireCommands(CLI::App& app);
    bool parsed() const;
    int run() const;

  private:
    std::string root() const;
    int list() const;
    int attach() const;
    int detach() const;
    int status() const;

    CLI::App* pipewire_;
    CLI::App* list_;
    CLI::App* attach_;
    CLI::App* detach_;
    CLI::App* status_;
    std::string sink_, preset_, form_ = "auto";
    bool system_ = false, now_ = false, all_ = false;
};

}  // namespace veltra::tools
