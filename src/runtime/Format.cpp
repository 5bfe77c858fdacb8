#include "runtime/Format.h"

#include "runtime/Exceptions.h"

#include <cstdio>
#include <vector>

namespace {

[[noreturn]] void BadFormat(const AnsiString& format)
{
    throw EConvertError(Format("Format '%s' invalid or incompatible with argument", format));
}

AnsiString Pad(AnsiString text, int width, bool left)
{
    if (width > 0 && static_cast<int>(text.size()) < width) {
        AnsiString fill(static_cast<std::size_t>(width) - text.size(), ' ');
        text = left ? text + fill : fill + text;
    }
    return text;
}

}

AnsiString FormatList(const AnsiString& format, std::initializer_list<FormatArg> list)
{
    std::vector<FormatArg> args(list);
    std::size_t next = 0;
    AnsiString out;
    auto take = [&]() -> const FormatArg& {
        if (next >= args.size())
            BadFormat(format);
        return args[next++];
    };
    auto takeNumber = [&]() -> int {
        const FormatArg& a = take();
        if (a.kind() != FormatArg::Kind::Integer && a.kind() != FormatArg::Kind::Unsigned)
            BadFormat(format);
        return static_cast<int>(a.integer());
    };

    std::size_t i = 0;
    while (i < format.size()) {
        char c = format[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        ++i;
        if (i < format.size() && format[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        bool left = false;
        int width = -1, precision = -1;
        if (i < format.size() && format[i] == '-') {
            left = true;
            ++i;
        }
        if (i < format.size() && format[i] == '*') {
            width = takeNumber();
            ++i;
        } else {
            while (i < format.size() && format[i] >= '0' && format[i] <= '9')
                width = (width < 0 ? 0 : width * 10) + (format[i++] - '0');
        }
        if (i < format.size() && format[i] == '.') {
            ++i;
            precision = 0;
            if (i < format.size() && format[i] == '*') {
                precision = takeNumber();
                ++i;
            } else {
                while (i < format.size() && format[i] >= '0' && format[i] <= '9')
                    precision = precision * 10 + (format[i++] - '0');
            }
        }
        if (i >= format.size())
            BadFormat(format);
        char kind = format[i++];
        const FormatArg& a = take();
        char buffer[128];
        AnsiString text;
        switch (kind) {
        case 'd':
        case 'D':
            if (a.kind() != FormatArg::Kind::Integer && a.kind() != FormatArg::Kind::Unsigned)
                BadFormat(format);
            std::snprintf(buffer, sizeof buffer, "%.*lld", precision < 0 ? 1 : precision, a.integer());
            text = buffer;
            break;
        case 'u':
        case 'U':
            if (a.kind() != FormatArg::Kind::Integer && a.kind() != FormatArg::Kind::Unsigned)
                BadFormat(format);
            std::snprintf(buffer, sizeof buffer, "%.*llu", precision < 0 ? 1 : precision,
                a.kind() == FormatArg::Kind::Integer
                    ? static_cast<unsigned long long>(static_cast<unsigned>(a.integer()))
                    : a.unsigned_value());
            text = buffer;
            break;
        case 'x':
        case 'X':
            if (a.kind() != FormatArg::Kind::Integer && a.kind() != FormatArg::Kind::Unsigned)
                BadFormat(format);
            std::snprintf(buffer, sizeof buffer, "%.*llX", precision < 0 ? 1 : precision,
                a.kind() == FormatArg::Kind::Integer
                    ? static_cast<unsigned long long>(static_cast<unsigned>(a.integer()))
                    : a.unsigned_value());
            text = buffer;
            break;
        case 'p':
        case 'P':
            if (a.kind() != FormatArg::Kind::Pointer)
                BadFormat(format);
            std::snprintf(buffer, sizeof buffer, "%08lX",
                static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(a.pointer())));
            text = buffer;
            break;
        case 's':
        case 'S':
            if (a.kind() != FormatArg::Kind::String)
                BadFormat(format);
            text = a.string();
            if (precision >= 0 && static_cast<std::size_t>(precision) < text.size())
                text.resize(static_cast<std::size_t>(precision));
            break;
        case 'c':
        case 'C':
            if (a.kind() != FormatArg::Kind::Integer && a.kind() != FormatArg::Kind::Unsigned)
                BadFormat(format);
            text = AnsiString(1, static_cast<char>(a.integer()));
            break;
        case 'e':
        case 'E':
        case 'f':
        case 'F':
        case 'g':
        case 'G': {
            double v;
            if (a.kind() == FormatArg::Kind::Float)
                v = a.floating();
            else if (a.kind() == FormatArg::Kind::Integer || a.kind() == FormatArg::Kind::Unsigned)
                v = static_cast<double>(a.integer());
            else
                BadFormat(format);
            char directive[8] = { '%', '.', '*', static_cast<char>(kind | 0x20), 0 };
            std::snprintf(
                buffer, sizeof buffer, directive, precision < 0 ? (kind == 'f' || kind == 'F' ? 2 : 15) : precision, v);
            text = buffer;
            break;
        }
        default: BadFormat(format);
        }
        out += Pad(text, width, left);
    }
    return out;
}
