// The list of past records on disk, kako.dat: where it is kept, reading it at start-up, the rule
// that lists an event as it begins, and saving it at close.
//
// The list is kept in the story folder when that folder can be written. When it cannot (an
// installed story, read-only media), it is kept in the user's data folder, in a folder of its own
// for each story folder; a kako.dat in the story folder is then the list the first run starts
// from. The installed story always keeps its list there, even for a user who could write it: its
// folder belongs to the package manager.
#include "shell/fom.h"

#include "platform/files/folders.h"
#include "records/kako_rules.h"
#include "shell/paths.h"
#include "story/files.h"

using namespace platform;

void Fom::LoadKako()
{
    const Text fileName = story::dataFile(story::RecordsName);
    const Text inStory = DatPath + fileName;
    const Text story = Files::realPath(DatPath);
    const bool installed
        = !story.empty() && story == Files::realPath(installedStoryFolder(AppPath));
    Text userFolder, userList;
    if (!sys.userDataFolder.empty() && !story.empty()) {
        userFolder = sys.userDataFolder + PathSeparator + u"pelirra" + PathSeparator
            + kako::userFolderName(story) + PathSeparator;
        userList = userFolder + fileName;
    }
    // The list kept in the other place for this story, which is never written: its records join
    // this list, so that none drops out when the story folder can be written again (a stick
    // mounted read-only once) or no longer can.
    Text other;
    if (installed || !Files::folderWritable(DatPath)) {
        kakoFolder_ = userFolder;
        kakoPath_ = userList;
        other = inStory;
    } else {
        kakoFolder_ = DatPath;
        kakoPath_ = inStory;
        other = userList;
    }

    kakoLoaded_ = true;
    try {
        bool found = false;
        if (!kakoPath_.empty()) {
            Files::removeStaleTemporaries(kakoPath_); // left by a run killed while it saved
            kakoStamp_ = Files::stamp(kakoPath_);
            found = kakoStamp_.kind != Files::Stamp::Kind::Missing;
            if (found)
                LoadKakoFrom(kakoPath_);
        }
        if (!other.empty())
            JoinKako(other, !found);
    } catch (const RuntimeError&) { }
}

void Fom::LoadKakoFrom(const Text& path)
{
    // A missing file gives an empty list; a file that cannot be read whole keeps what was read,
    // and is then left as it is at close. So is a file beyond the limits of a list of past
    // records: it is read no further, so memory stays bounded.
    if (Files::stamp(path).kind == Files::Stamp::Kind::Link) {
        // A link could point anywhere, also at a file of the player's that a story folder from
        // elsewhere has no business reading or replacing.
        kakoUnreadable_ = sys.files.displayName(path)
            + u": is a symbolic link; the game keeps its list only in a file of its own, so it "
              u"neither reads nor replaces a link (put the file itself in its place)";
        return;
    }
    try {
        ReadKako(path, [this](const Text& entry) { Lst.AddItem(entry); });
    } catch (const RuntimeError& e) {
        kakoUnreadable_ = e.message();
    }
}

void Fom::JoinKako(const Text& other, bool start)
{
    // Never read through a link, and quiet: this file is not replaced, so whatever is wrong with
    // it (unreadable, another user's, too large) loses nothing of the list kept here.
    if (Files::stamp(other).kind != Files::Stamp::Kind::File)
        return;
    std::vector<Text> entries;
    try {
        ReadKako(other, [&entries](const Text& entry) { entries.push_back(entry); });
    } catch (const RuntimeError&) { }
    if (start) {
        // The first run here starts from that list as it is.
        for (const Text& entry : entries)
            Lst.AddItem(entry);
        return;
    }
    std::vector<Text> held;
    held.reserve(static_cast<size_t>(Lst.ListCount()));
    for (int i = 0; i < Lst.ListCount(); ++i)
        held.push_back(Lst.List(i));
    for (const Text& entry : kako::missingFrom(held, entries))
        Lst.AddItem(entry);
}

void Fom::ReadKako(const Text& path, const std::function<void(const Text&)>& add)
{
    KakoNo = sys.files.FreeFile();
    try {
        sys.files.OpenInput(KakoNo, path);
        const Text shown = sys.files.displayName(path);
        if (sys.files.LOF(KakoNo) > MaxKakoBytes)
            throw RuntimeError(shown + u": too large for a list of past records ("
                + Str(sys.files.LOF(KakoNo)) + u" bytes; at most " + Str(MaxKakoBytes) + u")");
        for (int entries = 0; !sys.files.Eof(KakoNo); ++entries) {
            LineBuf = sys.files.LineInput(KakoNo);
            if (sys.files.lineCut(KakoNo))
                throw RuntimeError(shown + u": line " + Str(entries + 1) + u" is longer than "
                    + Str(Files::MaxLineBytes) + u" bytes");
            if (entries == MaxKakoEntries)
                throw RuntimeError(shown + u": more than " + Str(MaxKakoEntries) + u" entries");
            add(LineBuf);
        }
        sys.files.Close(KakoNo);
    } catch (const RuntimeError&) {
        sys.files.Close(KakoNo);
        throw;
    }
}

void Fom::ListIve(const Text& name)
{
    bool listed = false;
    for (int i = 0; i < Lst.ListCount() && !listed; ++i)
        listed = Lst.List(i) == name;
    if (!listed && !kako::isUnlisted(name))
        Lst.AddItem(name);
}

void Fom::SaveKako()
{
    // An author's trial leaves the player's list as it found it.
    if (!kakoLoaded_ || kakoSaving_ || trialRun_)
        return;
    kakoSaving_ = true;
    if (!kakoUnreadable_.empty())
        throw RuntimeError(u"The list of past records was not saved. When the game started it "
                           u"could not be read, so the file was left as it was: "
            + kakoUnreadable_);
    try {
        if (kakoPath_.empty())
            throw RuntimeError(sys.files.displayName(DatPath + story::dataFile(story::RecordsName))
                + u": the story folder cannot keep the list, and there is no home folder to keep "
                  u"it in");
        if (kakoFolder_ != DatPath)
            sys.files.makeFolders(kakoFolder_);
        // Another copy of the game on the same story saves under the same lock. The close step
        // waits for it only so long: then it saves all the same, and the merge below still keeps
        // what the other copy wrote.
        const FolderLock lock(kakoFolder_, sys.saveLockWaitMs);
        const Files::Stamp now = Files::stamp(kakoPath_);
        if (now.kind == Files::Stamp::Kind::Link)
            throw RuntimeError(sys.files.displayName(kakoPath_)
                + u": has become a symbolic link while the game ran; the game does not replace "
                  u"it");
        std::vector<Text> entries;
        const bool changed = now != kakoStamp_;
        if (changed) {
            // Saved by another copy since this one read it: keep every entry it holds now.
            std::vector<Text> inFile;
            if (now.kind != Files::Stamp::Kind::Missing) {
                try {
                    ReadKako(kakoPath_, [&inFile](const Text& entry) { inFile.push_back(entry); });
                } catch (const RuntimeError& e) {
                    throw RuntimeError(
                        e.message() + u" (another program changed it while the game ran)");
                }
            }
            std::vector<Text> ours;
            ours.reserve(static_cast<size_t>(Lst.ListCount()));
            for (int i = 0; i < Lst.ListCount(); ++i)
                ours.push_back(Lst.List(i));
            entries = kako::merged(std::move(inFile), ours);
        }
        KakoNo = sys.files.FreeFile();
        sys.files.OpenOutput(KakoNo, kakoPath_);
        // The list may be longer than the shared 16-bit counter can count.
        if (changed) {
            for (const Text& entry : entries)
                sys.files.PrintLine(KakoNo, entry);
        } else {
            for (int i = 0; i < Lst.ListCount(); ++i)
                sys.files.PrintLine(KakoNo, Lst.List(i));
        }
        sys.files.Close(KakoNo);
    } catch (const RuntimeError& e) {
        sys.files.CloseAll(); // drops the unfinished new list; the old file stays
        throw RuntimeError(e.message()
            + u"\nThe list of past records could not be saved; the "
              u"earlier kako.dat is unchanged.");
    }
}
