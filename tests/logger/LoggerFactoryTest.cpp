#include "logger/LoggerFactory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <iostream>
#include <memory>

#include "domain/Exceptions.h"
#include "fixtures/RecordingStreamOutputHandler.h"
#include "logger/LoggerLibraryFactoryProvider.h"
#include "logger/TimestampShape.h"
#include "logger/UtcTimestampProviderFactory.h"
#include "mocks/MockIoHandlerLibraryFactoryProvider.h"
#include "mocks/MockStreamOutputHandlerFactory.h"

namespace VekLibrary::VekLogger {
namespace {

using IoHandler::IStreamOutputHandler;
using IoHandler::MockIoHandlerLibraryFactoryProvider;
using IoHandler::MockStreamOutputHandlerFactory;
using ::testing::_;
using ::testing::Return;
using ::testing::SetArgReferee;

std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const XBrokenInvariantsError& error) {
        return error.what();
    }
    return "<no exception>";
}

TEST(LoggerFactoryTest, RefusesNullFactoriesInOrder) {
    auto handlers = std::make_shared<MockStreamOutputHandlerFactory>();
    auto clocks = std::make_shared<UtcTimestampProviderFactory>();
    EXPECT_EQ(MessageOf([] { LoggerFactory(nullptr, nullptr); }),
              "streamOutputHandlerFactory cannot be null");
    EXPECT_EQ(MessageOf([&] { LoggerFactory(handlers, nullptr); }),
              "timestampProviderFactory cannot be null");
}

TEST(LoggerFactoryTest, EachLoggerWritesThroughItsOwnStandardErrorHandler) {
    auto handlers = std::make_shared<MockStreamOutputHandlerFactory>();
    auto first = std::make_shared<VekTest::RecordingStreamOutputHandler>();
    auto second = std::make_shared<VekTest::RecordingStreamOutputHandler>();
    EXPECT_CALL(*handlers, Create(&std::cerr, _))
        .WillOnce(SetArgReferee<1>(std::shared_ptr<IStreamOutputHandler>(first)))
        .WillOnce(SetArgReferee<1>(std::shared_ptr<IStreamOutputHandler>(second)));
    LoggerFactory factory(handlers, std::make_shared<UtcTimestampProviderFactory>());

    std::shared_ptr<ILogger> loggerA;
    std::shared_ptr<ILogger> loggerB;
    factory.Create(loggerA);
    factory.Create(loggerB);
    ASSERT_NE(loggerA, loggerB);
    loggerA->SetLoggerId("a");
    loggerA->WriteLog(LogLevelEnum::Warning, "hello");
    EXPECT_EQ(loggerB->GetLoggerId(), "");
    EXPECT_TRUE(second->writes.empty());
    ASSERT_EQ(first->writes.size(), 1u);
    const std::string& line = first->writes[0];
    EXPECT_TRUE(StartsWithTimestampShape(line)) << line;
    EXPECT_EQ(line.substr(23), " [WRN][ID=a] hello\n");
}

TEST(LoggerLibraryFactoryProviderTest, RefusesNullIoHandlerProvider) {
    EXPECT_EQ(MessageOf([] { LoggerLibraryFactoryProvider provider(nullptr); }),
              "ioHandlerLibraryFactoryProvider cannot be null");
}

TEST(LoggerLibraryFactoryProviderTest, BuildsItsFactoriesOnceFromTheIoHandlerProvider) {
    auto ioProvider = std::make_shared<MockIoHandlerLibraryFactoryProvider>();
    auto handlers = std::make_shared<MockStreamOutputHandlerFactory>();
    auto recording = std::make_shared<VekTest::RecordingStreamOutputHandler>();
    EXPECT_CALL(*ioProvider, GetStreamOutputHandlerFactory()).WillOnce(Return(handlers));
    EXPECT_CALL(*handlers, Create(&std::cerr, _))
        .WillOnce(SetArgReferee<1>(std::shared_ptr<IStreamOutputHandler>(recording)));

    LoggerLibraryFactoryProvider provider(ioProvider);
    EXPECT_EQ(provider.GetLoggerFactory(), provider.GetLoggerFactory());
    EXPECT_EQ(provider.GetTimestampProviderFactory(), provider.GetTimestampProviderFactory());
    EXPECT_NE(
        dynamic_cast<UtcTimestampProviderFactory*>(provider.GetTimestampProviderFactory().get()),
        nullptr);

    std::shared_ptr<ILogger> logger;
    provider.GetLoggerFactory()->Create(logger);
    logger->WriteLog(LogLevelEnum::Error, "through the handler");
    ASSERT_EQ(recording->writes.size(), 1u);
}

}  // namespace
}  // namespace VekLibrary::VekLogger
