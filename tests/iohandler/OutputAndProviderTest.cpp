#include <gtest/gtest.h>

#include <fstream>
#include <iomanip>
#include <sstream>

#include "IoHandlerTestSupport.h"
#include "domain/Exceptions.h"
#include "iohandler/CliInputParserAdapter.h"
#include "iohandler/IoHandlerErrors.h"
#include "iohandler/IoHandlerLibraryFactoryProvider.h"
#include "iohandler/OstreamOutputHandler.h"
#include "iohandler/StdinInputHandler.h"
#include "iohandler/StreamInputHandlerFactory.h"
#include "iohandler/StreamOutputHandlerFactory.h"
#include "serialization/SerializationLibraryFactoryProvider.h"

namespace VekLibrary::IoHandler {
namespace {

using Testing::Argv;
using Testing::ThrowsWithMessage;

TEST(OstreamOutputHandlerTest, WritesTheBytesUnchangedAndFlushes) {
    std::ostringstream stream;
    stream << std::setw(40) << std::setfill('*');  // formatting state must not pad the text
    OstreamOutputHandler handler(&stream);
    const std::string document("{\"a\":\"x\\n\"}\0tail", 16);
    handler.WriteOutput(document);
    handler.WriteOutput("");
    EXPECT_EQ(stream.str(), document);
}

TEST(OstreamOutputHandlerTest, AFailedStreamStaysFailed) {
    std::ostringstream stream;
    stream.setstate(std::ios::failbit);
    OstreamOutputHandler handler(&stream);
    for (const char* text : {"", "x"}) {
        EXPECT_TRUE(ThrowsWithMessage<XInputOutputError>(
            [&] { handler.WriteOutput(text); }, "Failure while writing to output stream."));
    }
    EXPECT_EQ(stream.str(), "");
}

TEST(OstreamOutputHandlerTest, AFullDeviceIsReportedAtTheFlush) {
    std::ofstream full("/dev/full");
    ASSERT_TRUE(full.is_open());
    OstreamOutputHandler handler(&full);
    EXPECT_TRUE(ThrowsWithMessage<XInputOutputError>([&] { handler.WriteOutput("{\"a\":1}"); },
                                                     "Failure while writing to output stream."));
    EXPECT_TRUE(ThrowsWithMessage<XInputOutputError>([&] { handler.WriteOutput(""); },
                                                     "Failure while writing to output stream."));
}

TEST(StreamHandlerFactoriesTest, MakeNewHandlersForTheGivenStream) {
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [] { OstreamOutputHandler handler(nullptr); }, "Null outputstream provided."));

    StreamOutputHandlerFactory outputFactory;
    std::shared_ptr<IStreamOutputHandler> handler;
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] { outputFactory.Create(nullptr, handler); }, "Null outputstream provided."));
    std::ostringstream first;
    std::ostringstream second;
    outputFactory.Create(&first, handler);
    handler->WriteOutput("one");
    const auto firstHandler = handler;
    outputFactory.Create(&second, handler);
    handler->WriteOutput("two");
    EXPECT_NE(handler, firstHandler);
    EXPECT_EQ(first.str(), "one");
    EXPECT_EQ(second.str(), "two");

    StreamInputHandlerFactory inputFactory;
    std::shared_ptr<IStreamInputHandler> reader;
    std::shared_ptr<IStreamInputHandler> otherReader;
    inputFactory.Create(reader);
    inputFactory.Create(otherReader);
    EXPECT_NE(dynamic_cast<StdinInputHandler*>(reader.get()), nullptr);
    EXPECT_NE(reader, otherReader);
}

class NullFactoryProvider final : public Serialization::ISerializationLibraryFactoryProvider {
public:
    std::shared_ptr<Serialization::IJsonWrapperFactory> GetJsonWrapperFactory() override {
        return nullptr;
    }
};

TEST(IoHandlerLibraryFactoryProviderTest, RefusesMissingSerialization) {
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [] { IoHandlerLibraryFactoryProvider provider(nullptr); },
        "SerializationLibraryFactoryProvider is null"));
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [] { IoHandlerLibraryFactoryProvider provider(std::make_shared<NullFactoryProvider>()); },
        "Json wrapper factory is null."));
}

TEST(IoHandlerLibraryFactoryProviderTest, HandsOutTheSameFactoriesEveryTime) {
    IoHandlerLibraryFactoryProvider provider(
        std::make_shared<Serialization::SerializationLibraryFactoryProvider>());
    const IIoHandlerLibraryFactoryProvider& view = provider;
    EXPECT_TRUE(view.GetStreamOutputHandlerFactory());
    EXPECT_EQ(view.GetStreamOutputHandlerFactory(), view.GetStreamOutputHandlerFactory());
    EXPECT_EQ(view.GetStreamInputHandlerFactory(), view.GetStreamInputHandlerFactory());
    EXPECT_EQ(view.GetInputParserAdapterFactory(), view.GetInputParserAdapterFactory());
    EXPECT_EQ(view.GetVekCommandFactory(), view.GetVekCommandFactory());
    EXPECT_EQ(view.GetVekCommandBuilderFactory(), view.GetVekCommandBuilderFactory());
    EXPECT_EQ(view.GetVekCommandOptionFactory(), view.GetVekCommandOptionFactory());
    EXPECT_EQ(view.GetVekCommandOptionBuilderFactory(), view.GetVekCommandOptionBuilderFactory());
    for (const void* factory :
         {static_cast<const void*>(view.GetStreamInputHandlerFactory().get()),
          static_cast<const void*>(view.GetInputParserAdapterFactory().get()),
          static_cast<const void*>(view.GetVekCommandFactory().get()),
          static_cast<const void*>(view.GetVekCommandBuilderFactory().get()),
          static_cast<const void*>(view.GetVekCommandOptionFactory().get()),
          static_cast<const void*>(view.GetVekCommandOptionBuilderFactory().get())}) {
        EXPECT_NE(factory, nullptr);
    }

    std::shared_ptr<IInputParserAdapter> parser;
    view.GetInputParserAdapterFactory()->Create(3, parser);
    EXPECT_NE(dynamic_cast<CliInputParserAdapter*>(parser.get()), nullptr);
}

TEST(IoHandlerLibraryFactoryProviderTest, ItsFactoriesBuildAWorkingCommand) {
    IoHandlerLibraryFactoryProvider provider(
        std::make_shared<Serialization::SerializationLibraryFactoryProvider>());
    std::shared_ptr<IVekCommandOptionBuilder> options;
    provider.GetVekCommandOptionBuilderFactory()->Create(options);
    std::shared_ptr<IVekCommandBuilder> builder;
    provider.GetVekCommandBuilderFactory()->Create(builder);
    auto command = builder->AddCommandDetails("cmd", "Demo.")
                       .AddOption(options->AddFlags('p', "port")
                                      .AddDescription("Port.")
                                      .AddInputValueType(InputValueTypeEnum::Unsigned)
                                      .AddOptionRequirement(OptionRequirementEnum::RequiredForCli)
                                      .Build())
                       .Build();
    Argv argv{"vek", "--port", "2222"};
    command->Parse(argv.argc(), argv.argv());
    std::uint64_t port = 0;
    ASSERT_TRUE(command->TryGet('p', port));
    EXPECT_EQ(port, 2222u);
}

}  // namespace
}  // namespace VekLibrary::IoHandler
