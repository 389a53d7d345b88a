// Late-bound automation and registry reads, as the browser overlay uses them.
#include "runtime/ole.h"
#include "runtime/registry.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/registry.h"

namespace {

// An object with one property "Name", one child object "Child" and a
// method "Swap" that exchanges its two arguments (passed by reference).
class Sample final : public platform::Automation {
public:
    std::string name = "first";
    bool get(std::string_view member, platform::AutoValue& value) override
    {
        if (platform::same_name(member, "Name"))
            value = name;
        else if (platform::same_name(member, "Child"))
            value = platform::AutoRef(std::make_shared<Sample>());
        else
            return false;
        return true;
    }
    bool put(std::string_view member, const platform::AutoValue& value) override
    {
        const auto* text = std::get_if<std::string>(&value);
        if (!platform::same_name(member, "Name") || !text)
            return false;
        name = *text;
        return true;
    }
    bool invoke(std::string_view member, std::vector<platform::AutoValue>& args, platform::AutoValue& result) override
    {
        if (!platform::same_name(member, "Swap") || args.size() != 2)
            return false;
        std::swap(args[0], args[1]);
        result = int32_t(7);
        return true;
    }
};

TEST(OleCommands, ReadWriteCallAndReferences)
{
    auto sample = std::make_shared<Sample>();
    RtObject object(sample);
    EXPECT_EQ(object.references(), 2);

    EXPECT_EQ(std::get<std::string>(*rt_ole_read(object, "NAME")), "first"); // any case, as by dispatch
    EXPECT_TRUE(rt_ole_write(object, "name", std::string("second")));
    EXPECT_EQ(sample->name, "second");
    EXPECT_FALSE(rt_ole_write(object, "Name", int32_t(3))); // a value it refuses
    EXPECT_FALSE(rt_ole_write(object, "Other", std::string("x")));
    EXPECT_FALSE(rt_ole_read(object, "Other"));

    EXPECT_FALSE(rt_ole_read_object(object, "Child").empty());
    EXPECT_TRUE(rt_ole_read_object(object, "Name").empty()); // a text is no object
    EXPECT_TRUE(rt_ole_read_object(RtObject(), "Child").empty());

    std::vector<OleValue> args{std::string("a"), int32_t(1)};
    const auto result = rt_ole_call(object, "Swap", args);
    ASSERT_TRUE(result);
    EXPECT_EQ(std::get<int32_t>(*result), 7);
    EXPECT_EQ(std::get<int32_t>(args[0]), 1);
    EXPECT_EQ(std::get<std::string>(args[1]), "a");
    EXPECT_FALSE(rt_ole_call(object, "Swap", {std::string("only one")}));
    EXPECT_FALSE(rt_ole_call(RtObject(), "Swap", {}));

    RtObject copy;
    rt_object_assign(copy, object);
    EXPECT_EQ(copy, object);
    EXPECT_EQ(object.references(), 3);
    rt_object_release(copy);
    EXPECT_TRUE(copy.empty());
    EXPECT_EQ(object.references(), 2);
    rt_object_release(copy); // releasing nothing is harmless
}

TEST(RegistryReadText, RootsKeysAndValueNames)
{
    platform::registry_write_text(platform::RegistryRoot::LocalMachine, "Software\\Test\\Key", "Value", "text");
    const struct {
        int32_t root;
        const char* path;
        const char* text;
    } cases[] = {
        {4, "Software\\Test\\Key\\Value", "text"},
        {4, "software\\TEST\\key\\VALUE", "text"}, // names match in any case
        {3, "Software\\Test\\Key\\Value", ""},     // another root
        {4, "Software\\Test\\Key\\Missing", ""},
        {4, "Software\\Test\\Value", ""},
        {0, "Software\\Test\\Key\\Value", ""},
        {6, "Software\\Test\\Key\\Value", ""},
        {4, "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rt_registry_read_text(c.root, c.path), c.text) << c.root << " " << c.path;
    EXPECT_TRUE(platform::registry_delete_value(platform::RegistryRoot::LocalMachine, "Software\\Test\\Key", "value"));
    EXPECT_EQ(rt_registry_read_text(4, "Software\\Test\\Key\\Value"), "");
}

} // namespace
