#include "SettingsFileCheck.h"

#include <cstring>

namespace
{
    bool isXmlWhitespace (char c)
    {
        return c == ' ' || (c >= '\t' && c <= '\r');
    }

    bool isEntityNameChar (char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '#';
    }

    // Walks the markup once, left to right, keeping only the nesting depth and the element count. It is
    // stricter than the reader wherever the two could disagree about where a tag or a quoted value ends,
    // so the depth it sees is never less than the depth the reader builds.
    class MarkupScan
    {
    public:
        MarkupScan (const char* text, size_t size, int levels)
            : pos (text),
              end (text + ::strnlen (text, size)),
              maxDepth (levels)
        {}

        bool isSafe()
        {
            if (! isWellFormedUtf8())
                return false;

            skipByteOrderMark();
            skipWhitespace();

            // Not XML at all; it might even be taken for the reader's binary format.
            if (pos != end && *pos != '<')
                return false;

            while (pos != end)
                if (! step())
                    return false;

            return true;
        }

    private:
        bool startsWith (const char* prefix) const
        {
            const auto length = std::strlen (prefix);
            return size_t (end - pos) >= length && std::memcmp (pos, prefix, length) == 0;
        }

        // Moves past the first `terminator` at or after `from` characters ahead; false when there is none.
        bool skipPast (size_t from, const char* terminator)
        {
            const auto length = std::strlen (terminator);
            for (auto p = pos + from; size_t (end - p) >= length; ++p)
            {
                if (std::memcmp (p, terminator, length) == 0)
                {
                    pos = p + length;
                    return true;
                }
            }
            return false;
        }

        // The reader steps over a multi-byte character by its first byte alone; after a malformed one it
        // would step over a quote or a '<' that we count.
        bool isWellFormedUtf8() const
        {
            for (auto p = pos; p != end;)
            {
                const auto lead = static_cast<unsigned char> (*p++);
                const int following = lead < 0x80                    ? 0
                                      : lead >= 0xc2 && lead <= 0xdf ? 1
                                      : lead >= 0xe0 && lead <= 0xef ? 2
                                      : lead >= 0xf0 && lead <= 0xf4 ? 3
                                                                     : -1;
                if (following < 0 || end - p < following)
                    return false;

                for (int i = 0; i < following; ++i)
                    if ((static_cast<unsigned char> (*p++) & 0xc0) != 0x80)
                        return false;
            }
            return true;
        }

        void skipByteOrderMark()
        {
            if (startsWith ("\xef\xbb\xbf"))
                pos += 3;
        }

        void skipWhitespace()
        {
            while (pos != end && isXmlWhitespace (*pos))
                ++pos;
        }

        // An entity reference the reader ends where we do: a short name of letters, digits and '#', then
        // ';'. Anything else could make the reader read across a quote or a tag.
        bool skipEntity()
        {
            auto p = pos + 1;
            while (p != end && p - pos <= 12 && isEntityNameChar (*p))
                ++p;

            if (p == pos + 1 || p == end || *p != ';')
                return false;

            pos = p + 1;
            return true;
        }

        bool step()
        {
            if (*pos == '&')
                return skipEntity();

            if (*pos != '<')
            {
                ++pos;
                return true;
            }

            // A comment, processing instruction or character data that never ends: the reader gives
            // up there as well, so the scan may stop.
            if (startsWith ("<!--"))
                return skipPast (4, "-->") || stop();
            if (startsWith ("<?"))
                return skipPast (2, "?>") || stop();
            if (startsWith ("<![CDATA["))
                return skipPast (9, "]]>") || stop();
            // A document type declares entities the reader would expand, recursively.
            if (startsWith ("<!"))
                return false;
            if (startsWith ("</"))
                return closeElement();

            return openElement();
        }

        bool stop()
        {
            pos = end;
            return true;
        }

        // The reader takes any "</" as the end of the element it is in and skips to the next '>'.
        bool closeElement()
        {
            depth = juce::jmax (0, depth - 1);
            return skipPast (2, ">") || stop();
        }

        // A tag ends at the first '>' outside quotes; "/>" makes it an empty element.
        bool openElement()
        {
            char quote = 0;
            bool slashLast = false;
            ++pos;

            while (pos != end)
            {
                const auto c = *pos;

                if (c == '<')
                    return false;

                if (quote != 0 && c == '&')
                {
                    if (! skipEntity())
                        return false;
                    continue;
                }

                ++pos;

                if (quote != 0)
                {
                    if (c == quote)
                        quote = 0;
                }
                else if (c == '"' || c == '\'')
                {
                    quote = c;
                }
                else if (c == '>')
                {
                    return countElement (slashLast);
                }

                slashLast = quote == 0 && c == '/';
            }

            // Cut inside a tag: the reader stops there too.
            return true;
        }

        bool countElement (bool empty)
        {
            if (++elements > SettingsFileCheck::maxElements || depth + 1 > maxDepth)
                return false;

            if (! empty)
                ++depth;

            return true;
        }

        const char* pos;
        const char* const end;
        const int maxDepth;
        int depth = 0;
        int elements = 0;
    };
}

bool SettingsFileCheck::isSafeToRead (const char* text, size_t size, int levels)
{
    if (size > size_t (maxFileBytes))
        return false;

    return size == 0 || MarkupScan (text, size, levels).isSafe();
}
