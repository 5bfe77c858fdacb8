#include "tray/MenuAccessKeys.h"

#include "tray/MenuItem.h"

#include <algorithm>
#include <vector>

#include <windows.h>

const char* const ValidAccessKeys = "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ";

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsValidKey(char c) { return c != 0 && AnsiString(ValidAccessKeys).find(c) != AnsiString::npos; }

bool HasDoubleByte(const AnsiString& text)
{
    for (std::size_t i = 0; i < text.size(); ++i)
        if (ByteKindAt(text, i) == ByteKind::Lead)
            return true;
    return false;
}

bool Designing(const TMenuItem* item) { return item->HasState(csDesigning); }

}

bool FarEastLocale() { return GetSystemMetrics(SM_DBCSENABLED) != 0; }

char AccessKeyOf(const AnsiString& caption)
{
    char key = 0;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (ByteKindAt(caption, i) == ByteKind::Lead) {
            ++i;
            continue;
        }
        if (caption[i] != '&' || i + 1 >= caption.size())
            continue;
        ++i;
        if (caption[i] == '&')
            continue;
        key = ByteKindAt(caption, i) == ByteKind::Lead ? caption[i] : Upper(caption[i]);
        if (ByteKindAt(caption, i) == ByteKind::Lead)
            ++i;
    }
    return key;
}

AnsiString StripAccessKey(const AnsiString& caption, bool farEast)
{
    AnsiString text;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        ByteKind kind = ByteKindAt(caption, i);
        if (kind == ByteKind::Lead && i + 1 < caption.size()) {
            text += caption.substr(i, 2);
            ++i;
            continue;
        }
        if (farEast && caption[i] == '(' && i + 3 < caption.size() && caption[i + 1] == '&'
            && ByteKindAt(caption, i + 2) == ByteKind::Single && caption[i + 2] != '&' && caption[i + 3] == ')') {
            i += 3;
            continue;
        }
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') {
                text += '&';
                ++i;
            }
            continue;
        }
        text += caption[i];
    }
    return text;
}

AnsiString MarkAccessKey(const AnsiString& caption, char key, std::size_t position, bool farEast)
{
    if (farEast && HasDoubleByte(caption)) {
        AnsiString group = AnsiString("(&") + key + ")";
        if (caption.size() >= 3 && caption.compare(caption.size() - 3, 3, "...") == 0)
            return caption.substr(0, caption.size() - 3) + group + "...";
        return caption + group;
    }
    if (position >= caption.size())
        return caption;
    return caption.substr(0, position) + "&" + caption.substr(position);
}

bool AssignAccessKeys(TMenuItem* item, bool force, bool farEast)
{
    if (!item || !(force || (!Designing(item) && item->AutoHotkeysOn())))
        return false;
    AnsiString available = ValidAccessKeys;
    struct Need {
        TMenuItem* item;
        AnsiString caption; // stripped of a taken key
    };
    std::vector<Need> needing;
    for (int i = 0; i < item->Count(); ++i) {
        TMenuItem* child = item->Items(i);
        const AnsiString& caption = child->Caption();
        if (!child->Visible() || caption.empty() || caption == "-")
            continue;
        char key = AccessKeyOf(caption);
        if (!key) {
            needing.push_back({ child, caption });
        } else if (IsValidKey(key)) {
            std::size_t at = available.find(key);
            if (at != AnsiString::npos) {
                available.erase(at, 1);
            } else {
                AnsiString stripped = StripAccessKey(caption, farEast);
                child->SetCaptionQuietly(stripped);
                needing.push_back({ child, stripped });
            }
        }
    }
    if (needing.empty())
        return false;
    std::reverse(needing.begin(), needing.end()); // the last child first

    // Rounds: the children served last get the first pick in the next round.
    std::vector<Need> order = needing;
    std::vector<std::pair<TMenuItem*, AnsiString>> best;
    std::size_t bestServed = 0;
    AnsiString bestAvailable = available;
    bool haveBest = false;
    for (std::size_t round = 0; round < needing.size(); ++round) {
        AnsiString free = available;
        std::vector<std::pair<TMenuItem*, AnsiString>> served;
        std::vector<Need> servedOrder, unserved;
        for (std::size_t k = order.size(); k-- > 0;) {
            const Need& need = order[k];
            bool done = false;
            for (std::size_t i = 0; i < need.caption.size() && !done; ++i) {
                if (ByteKindAt(need.caption, i) != ByteKind::Single)
                    continue;
                std::size_t at = free.find(Upper(need.caption[i]));
                if (need.caption[i] == '&' || at == AnsiString::npos)
                    continue;
                served.push_back({ need.item, MarkAccessKey(need.caption, free[at], i, farEast) });
                free.erase(at, 1);
                done = true;
            }
            if (done)
                servedOrder.insert(servedOrder.begin(), need);
            else
                unserved.insert(unserved.begin(), need);
        }
        if (!haveBest || served.size() > bestServed) {
            haveBest = true;
            bestServed = served.size();
            best = served;
            bestAvailable = free;
        }
        if (unserved.empty())
            break;
        order = servedOrder;
        order.insert(order.end(), unserved.begin(), unserved.end());
    }
    for (const auto& [child, caption] : best)
        child->SetCaptionQuietly(caption);
    if (farEast) {
        for (const Need& need : needing) {
            const AnsiString& caption = need.item->Caption();
            if (caption.find('&') != AnsiString::npos || bestAvailable.empty())
                continue;
            char key = bestAvailable.back();
            bestAvailable.pop_back();
            need.item->SetCaptionQuietly(MarkAccessKey(caption, key, AnsiString::npos, true));
        }
    }
    return true;
}

bool ReduceSeparators(TMenuItem* item, bool force)
{
    if (!item || !(force || (!Designing(item) && item->AutoLineReductionOn())))
        return false;
    bool changed = false;
    int count = item->Count();
    // Hides the separators at one end of the visible items, walking from FROM towards
    // TO (not included) by STEP; the place where it stopped. A walk whose start already
    // lies at or beyond TO (no items, or none left after the first walk) does nothing.
    auto hideEndSeparators = [&](int from, int to, int step) {
        int i = from;
        for (; step > 0 ? i < to : i > to; i += step) {
            TMenuItem* child = item->Items(i);
            if (!child->Visible())
                continue;
            if (!child->IsSeparator())
                break;
            child->SetVisibleQuietly(false);
            changed = true;
        }
        return i;
    };
    int first = hideEndSeparators(0, count, 1);
    TMenuItem* remembered = nullptr;
    for (int i = first; i < count; ++i) {
        TMenuItem* child = item->Items(i);
        if (child->IsSeparator()) {
            if (remembered) {
                remembered->SetVisibleQuietly(false);
                changed = true;
            }
            remembered = child;
        } else if (child->Visible()) {
            if (remembered) {
                remembered->SetVisibleQuietly(true);
                changed = true;
            }
            remembered = nullptr;
        }
    }
    hideEndSeparators(count - 1, first, -1);
    return changed;
}
