#include "PhotoCheck.h"

#include "MinutePlan.h"
#include "PhotoOptions.h"

#include "app/MinuteMask.h"
#include "files/FileListBox.h"
#include "frame/Application.h"
#include "frame/Form.h"
#include "graphics/Bitmap.h"
#include "graphics/JPEGImage.h"
#include "graphics/Picture.h"
#include "runtime/Exceptions.h"

#include <ctime>
#include <map>
#include <set>

namespace {

std::vector<AnsiString> ListItems(TFileListBox& list)
{
    std::vector<AnsiString> names;
    const int count = list.Count();
    names.reserve(count);
    for (int i = 0; i < count; ++i)
        names.push_back(list.Items(i));
    return names;
}

// "HH:MM" or "HH:MM-HH:MM" for a run of minutes.
AnsiString RunText(int first, int last)
{
    return first == last ? ClockText(first) : ClockText(first) + "-" + ClockText(last);
}

// Progress lines for a long run: one at every tenth ("read 144 / 1440 photos").
class Progress {
public:
    Progress(const char* verb, int total, const char* what, std::FILE* err)
        : m_verb(verb)
        , m_total(total)
        , m_what(what)
        , m_err(err)
    {
    }
    void Step()
    {
        ++m_done;
        if (m_err && m_total >= 100 && m_done * 10 / m_total > m_tenths) {
            m_tenths = m_done * 10 / m_total;
            std::fprintf(m_err, "%s %d / %d %s\n", m_verb, m_done, m_total, m_what);
            std::fflush(m_err);
        }
    }

private:
    const char* m_verb;
    int m_total;
    const char* m_what;
    std::FILE* m_err;
    int m_done = 0;
    int m_tenths = 0;
};

}

FolderListing ListPhotoFolder(const AnsiString& folder, std::FILE* progressTo)
{
    // The list keeps its items in the platform's list window, which needs a parent.
    TComponentPtr<TForm> form = MakeComponent<TForm>(TFormSource::None);
    TFileListBox* list = MakeOwned<TFileListBox>(form.get());
    list->SetParent(form.get());
    list->SetFolder(folder);

    FolderListing listing;
    listing.folder = list->Folder();
    list->SetMask("sv*");
    listing.listed = ListItems(*list);
    listing.minutes.resize(MinutesPerDay);
    Progress progress("listed", MinutesPerDay, "minutes", progressTo);
    for (int minute = 0; minute < MinutesPerDay; ++minute) {
        list->SetMask(MinuteMaskOfDay(minute));
        listing.minutes[minute] = ListItems(*list);
        progress.Step();
    }
    return listing;
}

AnsiString PhotoProblem(const AnsiString& path)
{
    try {
        TPicture picture;
        picture.LoadFile(path);
        if (auto* jpeg = dynamic_cast<TJPEGImage*>(picture.Graphic())) {
            jpeg->DecodedBitmap();
        } else if (picture.Graphic()) {
            TBitmap bitmap;
            bitmap.Assign(picture.Graphic());
        }
    } catch (const Exception& error) {
        return TApplication::ErrorBoxText(error.Message());
    } catch (const std::exception& error) {
        return TApplication::ErrorBoxText(error.what());
    }
    return {};
}

int CheckPhotoFolder(const AnsiString& folder, std::FILE* out, std::FILE* err)
{
    if (const AnsiString problem = FolderProblem(folder); !problem.empty()) {
        std::fprintf(err, "%s: %s\n", folder.c_str(), problem.c_str());
        return 1;
    }
    FolderListing listing;
    try {
        listing = ListPhotoFolder(folder, err);
    } catch (const Exception& error) {
        std::fprintf(err, "%s: %s\n", folder.c_str(), error.Message().c_str());
        return 1;
    }

    // Each photo that some minute shows is read once, however many minutes show it.
    std::map<AnsiString, AnsiString> problems;
    for (const auto& names : listing.minutes) {
        if (!names.empty())
            problems.emplace(names.front(), AnsiString());
    }
    Progress progress("read", static_cast<int>(problems.size()), "photos", err);
    for (auto& [name, problem] : problems) {
        problem = PhotoProblem(listing.folder + "\\" + name);
        progress.Step();
    }

    int covered = 0;
    for (const auto& names : listing.minutes) {
        if (!names.empty() && problems[names.front()].empty())
            ++covered;
    }
    std::fprintf(out, "covered %d of %d minutes\n", covered, MinutesPerDay);

    for (int minute = 0; minute < MinutesPerDay;) {
        if (!listing.minutes[minute].empty()) {
            ++minute;
            continue;
        }
        int last = minute;
        while (last + 1 < MinutesPerDay && listing.minutes[last + 1].empty())
            ++last;
        if (last == minute)
            std::fprintf(out, "missing %s\n", ClockText(minute).c_str());
        else
            std::fprintf(out, "missing %s (%d minutes)\n", RunText(minute, last).c_str(), last - minute + 1);
        minute = last + 1;
    }

    for (int minute = 0; minute < MinutesPerDay; ++minute) {
        const auto& names = listing.minutes[minute];
        if (names.size() < 2)
            continue;
        AnsiString others;
        for (std::size_t i = 1; i < names.size(); ++i)
            others += (i > 1 ? ", " : "") + names[i];
        std::fprintf(
            out, "several %s: %s shown; also %s\n", ClockText(minute).c_str(), names.front().c_str(), others.c_str());
    }

    for (int minute = 0; minute < MinutesPerDay; ++minute) {
        const auto& names = listing.minutes[minute];
        if (!names.empty() && !problems[names.front()].empty())
            std::fprintf(out, "damaged %s %s: %s\n", ClockText(minute).c_str(), names.front().c_str(),
                problems[names.front()].c_str());
    }

    std::set<AnsiString> found;
    for (const auto& names : listing.minutes)
        found.insert(names.begin(), names.end());
    for (const AnsiString& name : listing.listed) {
        if (!found.count(name))
            std::fprintf(out, "unused %s\n", name.c_str());
    }
    return covered == MinutesPerDay ? 0 : 1;
}
