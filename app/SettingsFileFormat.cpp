#include "SettingsFileFormat.h"

#include "SettingsFileCheck.h"

namespace
{
    const char* const fileTag = "PROPERTIES";
    const char* const valueTag = "VALUE";
    const char* const nameAttribute = "name";
    const char* const valueAttribute = "val";

    // The bytes served as a file's stream would serve them, so that the parser decodes them as it
    // decodes a file (byte order marks, UTF-16).
    class BytesSource : public juce::InputSource
    {
    public:
        explicit BytesSource (const std::string& source) : bytes (source) {}

        juce::InputStream* createInputStream() override
        {
            return new juce::MemoryInputStream (bytes.data(), bytes.size(), false);
        }
        juce::InputStream* createInputStreamFor (const juce::String&) override { return nullptr; }
        juce::int64 hashCode() const override { return juce::int64 (bytes.size()); }

    private:
        const std::string& bytes;
    };

    juce::String oneLineText (const juce::XmlElement& e)
    {
        return e.toString (juce::XmlElement::TextFormat().singleLine().withoutHeader());
    }

    // A value stored as a child element reads back as that element's one-line text.
    juce::String valueOf (const juce::XmlElement& e)
    {
        if (auto* child = e.getFirstChildElement())
            return oneLineText (*child);
        return e.getStringAttribute (valueAttribute);
    }

    // The child element to keep a value as: as JUCE keeps markup, but only markup that reads back as
    // the very same text and nests no deeper than a file may. Other values go in the attribute, which
    // reads back as it was. (JUCE would also keep markup that comes back changed, spaced or quoted
    // otherwise, and would parse markup of any depth.)
    std::unique_ptr<juce::XmlElement> asElement (const juce::String& value)
    {
        const auto levels = SettingsFileCheck::maxDepth - 2;
        if (! SettingsFileCheck::isSafeToRead (value.toRawUTF8(), value.getNumBytesAsUTF8(), levels))
            return nullptr;

        auto element = juce::parseXML (value);
        if (element == nullptr || oneLineText (*element) != value)
            return nullptr;
        return element;
    }
}

bool SettingsFileFormat::read (const std::string& bytes, juce::PropertySet& properties)
{
    juce::XmlDocument document { juce::String() };
    document.setInputSource (new BytesSource (bytes));

    const auto xml = document.getDocumentElementIfTagMatches (fileTag);
    if (xml == nullptr)
        return false;

    for (auto* e : xml->getChildWithTagNameIterator (valueTag))
    {
        const auto name = e->getStringAttribute (nameAttribute);
        if (name.isNotEmpty())
            properties.getAllProperties().set (name, valueOf (*e));
    }
    return true;
}

juce::MemoryBlock SettingsFileFormat::write (juce::PropertySet& properties)
{
    juce::XmlElement document (fileTag);
    {
        const juce::ScopedLock lock (properties.getLock());
        const auto& all = properties.getAllProperties();

        for (int i = 0; i < all.size(); ++i)
        {
            auto* e = document.createNewChildElement (valueTag);
            e->setAttribute (nameAttribute, all.getAllKeys()[i]);

            if (auto child = asElement (all.getAllValues()[i]))
                e->addChildElement (child.release());
            else
                e->setAttribute (valueAttribute, all.getAllValues()[i]);
        }
    }

    juce::MemoryOutputStream out;
    document.writeTo (out, {});
    return out.getMemoryBlock();
}
