#pragma once

#include <string>
#include <vector>

namespace lh::cli {

// `linkharvest-cli merge OUT IN...`: joins the save folders of finished shards (each
// holding its shard record) into OUT as one run over the whole list would have written
// them: every keyword's own file under the name that run would have given it, or one
// merged file with the keywords in list order and duplicates removed across shards.
// Returns the exit status; messages go to standard error.
int mergeShards(const std::vector<std::string>& args);

}  // namespace lh::cli
