#include "round_layers/round_layers.h"

#include <algorithm>
#include <tuple>
#include <utility>

#include "common/visible_text.h"
#include "options/config_check.h"

namespace {

using options::round_block;

std::string shown(const round_block& block) {
    return std::string(block.what == round_block::kind::from ? "from" : "round") + " \"" +
           visible(block.folder) + "\"";
}

}  // namespace

round_layers::round_layers(const options::option_set& global)
    : global(std::make_shared<options::option_set>(global)) {}

round_layers::round_layers(options::option_set global, std::vector<options::round_block> blocks)
    : global(std::make_shared<options::option_set>(std::move(global))) {
    for (options::round_block& block : blocks) {
        this->blocks.push_back({std::move(block), std::nullopt});
    }
}

std::vector<std::string> round_layers::check_folders(const std::vector<std::string>& folders) {
    std::vector<std::string> warnings;
    std::vector<placed_block> kept;
    for (placed_block& placed : blocks) {
        if (std::find(folders.begin(), folders.end(), placed.block.folder) != folders.end()) {
            kept.push_back(std::move(placed));
            continue;
        }
        std::string warning = placed.block.place + ": " + shown(placed.block) +
                              " (ignored): no event folder has this name";
        if (const auto closest = options::closest_name(placed.block.folder, folders)) {
            warning += "; did you mean " + visible(*closest) + "?";
        }
        warnings.push_back(std::move(warning));
    }
    blocks = std::move(kept);
    return warnings;
}

std::vector<std::string> round_layers::from_folders() const {
    std::vector<std::string> folders;
    for (const placed_block& placed : blocks) {
        if (placed.block.what == round_block::kind::from &&
            std::find(folders.begin(), folders.end(), placed.block.folder) == folders.end()) {
            folders.push_back(placed.block.folder);
        }
    }
    return folders;
}

void round_layers::set_start_time(const std::string& folder, std::optional<std::int64_t> start_time,
                                  std::filesystem::file_time_type newest_input) {
    for (placed_block& placed : blocks) {
        if (placed.block.what == round_block::kind::from && placed.block.folder == folder) {
            placed.start_time = start_time;
        }
    }
    global->newest_input_time = std::max(global->newest_input_time, newest_input);
}

std::vector<std::string> round_layers::blocks_naming(const std::string& folder) const {
    std::vector<std::string> named;
    for (const placed_block& placed : blocks) {
        if (placed.block.folder == folder) {
            named.push_back(shown(placed.block) + " (" + placed.block.place + ")");
        }
    }
    return named;
}

round_layers::event_settings round_layers::settings_for(const std::string& folder,
                                                        std::int64_t start_time) const {
    // The from blocks that reach this event, in series order of their events (file order among
    // one event's), then its round block.
    std::vector<std::size_t> layers;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const placed_block& placed = blocks[i];
        if (placed.block.what == round_block::kind::from && placed.start_time &&
            std::tie(*placed.start_time, placed.block.folder) <= std::tie(start_time, folder)) {
            layers.push_back(i);
        }
    }
    std::stable_sort(layers.begin(), layers.end(), [this](std::size_t a, std::size_t b) {
        return std::tie(*blocks[a].start_time, blocks[a].block.folder) <
               std::tie(*blocks[b].start_time, blocks[b].block.folder);
    });
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (blocks[i].block.what == round_block::kind::round && blocks[i].block.folder == folder) {
            layers.push_back(i);
        }
    }
    if (layers.empty()) {
        return {global, {}};
    }
    event_settings settings;
    for (const std::size_t i : layers) {
        settings.blocks += (settings.blocks.empty() ? "" : ", ") + shown(blocks[i].block) + " (" +
                           blocks[i].block.place + ")";
    }
    const std::lock_guard<std::mutex> lock(sets_lock);
    std::shared_ptr<const options::option_set>& set = sets[layers];
    if (!set) {
        auto layered = std::make_shared<options::option_set>(*global);
        for (const std::size_t i : layers) {
            options::overlay_block(*layered, blocks[i].block);
        }
        set = std::move(layered);
    }
    settings.options = set;
    return settings;
}
