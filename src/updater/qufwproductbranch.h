// Update branches of the update framework.
#pragma once

namespace QUFW
{
struct ProductBranch {
    enum ProdBranchType {
        DevelopmentBranch = 0,
        StableBranch = 1,
        BetaBranch = 2,
    };
};
} // namespace QUFW
