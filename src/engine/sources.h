// SPDX-License-Identifier: GPL-3.0-or-later
// Sources of a factorial design and the pooling groups of nested designs.
#pragma once

#include <string>
#include <vector>

namespace varisect {

struct Design;

// A source is a set of factors: bit k-1 set for factor k.
using SourceMask = unsigned;

// Every non-empty set of factors: size by size, lexicographic within a size.
std::vector<SourceMask> enumerateSources(int factorCount);

// Table labels in factor order joined by "x": "AxBxD".
std::string sourceLabel(const Design& design, SourceMask source);
// The set named by a label (any order of letters, "x" separators optional); 0 when a letter
// names no factor.
SourceMask sourceOfLabel(const Design& design, const std::string& label);

using PoolingGroup = std::vector<std::string>;  // member labels, first member is the kept row

// The groups of sources that nesting makes inseparable, in creation order; emptied duplicates
// are kept (with no members) so group numbers stay stable.
std::vector<PoolingGroup> BuildPoolingGroups(const Design& design);

// Canonical labels for the members of the group; members repeated inside it are removed.
void NormalizeGroupLabels(const Design& design, PoolingGroup& group);
// Empties `group` when one of its members is a member of an earlier group.
void DropDuplicateGroup(const std::vector<PoolingGroup>& earlier, PoolingGroup& group);

}  // namespace varisect
