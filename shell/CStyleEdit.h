// The edits of a style that both front ends offer: deleting a chord variation, renaming, upgrading.
#pragma once

#include <cstddef>
#include <string>

class CMessageSink;
class CNstEditIfc;

class CStyleEdit {
public:
    static constexpr const char* DeleteCaption = "Delete Chord Variation";
    // The longest name a style gets from a rename.
    static constexpr size_t MaxNameLength = 11;

    // Delete Chord Variation: deletes chord variation `cv` of `element`, then the element when no chord
    // variation with data is left in it, then makes sure Variation 1 exists (under DeleteCaption).
    // False, with nothing changed and nothing told, when the style has no such chord variation.
    static bool DeleteCv(CNstEditIfc& style, int element, int cv, CMessageSink& messages);
    // Variation 1 must exist after an import or a deletion: when it is absent it is created with an
    // empty chord variation 1 and the user is told under `caption`
    // ("Style Element 'Variation 1' must exists. An empty element has been added.").
    static void EnsureVariationOne(CNstEditIfc& style, const char* caption, CMessageSink& messages);

    // Renames the style to the first MaxNameLength bytes of `label`; an empty label keeps the name.
    // Returns the name the style has now.
    static std::string Rename(CNstEditIfc& style, const std::string& label);
    // Raises an old-format style (version 0 or less) to the new format. False when it already had it.
    static bool Upgrade(CNstEditIfc& style);

    // Styles that cannot be read or stored. Either stays in the bank as it was: nothing is lost, and
    // such a style is never edited.
    static constexpr const char* CorruptCaption = "Style corrupt";
    // "Style corrupt - Error!", and when a pattern's stream is what could not be read, a second line
    // naming it ("The Bass pattern of Variation 1, Chord Var 2 cannot be read.").
    static std::string UnreadableText(const CNstEditIfc& style);
    // A changed style that could not be converted back for the bank; its changes are not stored.
    static constexpr const char* UnstorableText =
        "Style cannot be stored - Error!\nThe bank keeps it as it was.";
};
