// A deck window on the real engine library, rendering through the manual
// output: what the deck's commands do to the sound itself.
#pragma once

#include <dlfcn.h>

#include <vector>

#include "deck_fixture.h"
#include "support/audio_files.h"
#include "support/scoped_env.h"

namespace luma::test {

class EngineDeckTest : public FrmMainTest {
  public:
    void SetUp() override {
        FrmMainTest::SetUp();
        setSettings(0, 0, folder_ + "/crate");
    }
    void TearDown() override {
        if (deck) deck->salir();  // frees the engine for the next test
    }
    void startDeck() {
        deck = std::make_unique<FrmMain>("1", folder_, platform, [](const QString&) {
            return loadEngineLibrary(LUMA_ENGINE_PATH, nullptr);
        });
        deck->Form_Load();
        ASSERT_TRUE(platform.messages.empty());
        deck->filFile->setPattern("*.*");
    }
    void load(const QString& folder, const QString& fileName) {
        ASSERT_TRUE(deck->dirFile->setPath(folder));
        deck->filFile->setPath(folder);
        const auto items = deck->filFile->findItems(fileName, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << fileName.toStdString();
        deck->filFile->setCurrentItem(items[0]);
        deck->filFile_DblClick();
    }
    // Writes a sine of `hz` into the crate and loads it.
    void loadTone(double hz, double seconds) {
        const QString crate = folder_ + "/crate";
        ASSERT_TRUE(writeWav16((crate + "/tone.wav").toStdString(), makeSine(hz, seconds)));
        load(crate, "tone.wav");
        ASSERT_NE(deck->state.Channel, 0u);
    }

    // Renders `frames` frames of the deck's output (interleaved stereo).
    std::vector<float> render(int frames) {
        using Render = int32_t (*)(float*, uint32_t);
        void* engine = dlopen(LUMA_ENGINE_PATH, RTLD_NOW | RTLD_NOLOAD);
        const auto renderFrames = reinterpret_cast<Render>(dlsym(engine, "LUMA_RenderFrames"));
        std::vector<float> out(2 * static_cast<size_t>(frames));
        EXPECT_NE(renderFrames(out.data(), static_cast<uint32_t>(frames)), 0);
        return out;
    }

    ScopedEnv output_{"LUMATRONE_AUDIO", "manual"};
    std::unique_ptr<FrmMain> deck;
};

}  // namespace luma::test
