// Device creation with its fall-backs and message boxes, the fixed state, the frame and
// the recovery of a lost device.
#include <cstring>

#include "math/matrix.h"
#include "tests/viewer/viewer_fixture.h"

namespace {

const Box HAL_MISSING = {"HAL Not Available", "Trying Software Rasterizer"};
const Box NO_HW_VERTEX_PROCESSING = {"HW Vertex Processing Not Available", "Trying SW Vertex Processing"};
const Box GIVING_UP = {"Video Initialization Failed", "Could not create D3D Device, Giving up---"};
const Box VIDEO_LOST = {"Video Lost!", "Could not restore D3D Device!"};

// The state that set-up fixes and that every recovery must restore.
void ExpectFixedState(IDirect3DDevice8* device) {
    ASSERT_NE(device, nullptr);
    struct Expected {
        D3DRENDERSTATETYPE state;
        DWORD value;
    };
    const Expected states[] = {
        {D3DRS_SPECULARENABLE, TRUE},     {D3DRS_ZENABLE, TRUE},        {D3DRS_DITHERENABLE, TRUE},
        {D3DRS_CULLMODE, D3DCULL_NONE},   {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
        {D3DRS_VERTEXBLEND, D3DVBF_TWEENING}, {D3DRS_LIGHTING, TRUE},   {D3DRS_AMBIENT, 0xE0E0E0E0},
    };
    for (const Expected& expected : states) {
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(device->GetRenderState(expected.state, &value), S_OK);
        EXPECT_EQ(value, expected.value) << "render state " << expected.state;
    }

    D3DLIGHT8 light;
    std::memset(&light, 0xCD, sizeof light);
    EXPECT_EQ(device->GetLight(0, &light), S_OK);
    D3DLIGHT8 wantedLight = {};
    wantedLight.Type = D3DLIGHT_DIRECTIONAL;
    wantedLight.Diffuse = {1, 1, 1, 0};
    wantedLight.Direction = {0, 0, 1};
    wantedLight.Range = 1000.0f;
    EXPECT_EQ(std::memcmp(&light, &wantedLight, sizeof light), 0);
    BOOL enabled = FALSE;
    EXPECT_EQ(device->GetLightEnable(0, &enabled), S_OK);
    EXPECT_TRUE(enabled);

    D3DMATERIAL8 material;
    std::memset(&material, 0xCD, sizeof material);
    EXPECT_EQ(device->GetMaterial(&material), S_OK);
    D3DMATERIAL8 wantedMaterial = {};
    wantedMaterial.Diffuse = {1, 1, 1, 1};
    wantedMaterial.Ambient = {1, 1, 1, 1};
    EXPECT_EQ(std::memcmp(&material, &wantedMaterial, sizeof material), 0);

    D3DMATRIX projection;
    EXPECT_EQ(device->GetTransform(D3DTS_PROJECTION, &projection), S_OK);
    const float expected[4][4] = {{2.0f / 15, 0, 0, 0}, {0, 2.0f / 15, 0, 0}, {0, 0, 1.0f / 25, 0},
                                  {0, 0, 10.0f / 25, 1}};
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            EXPECT_NEAR(projection.m[row][column], expected[row][column], 1e-7) << row << column;
}

D3DDEVICE_CREATION_PARAMETERS CreationOf(IDirect3DDevice8* device) {
    D3DDEVICE_CREATION_PARAMETERS parameters = {};
    EXPECT_EQ(device->GetCreationParameters(&parameters), S_OK);
    return parameters;
}

TEST_F(ViewerTest, FallBackChainsShowExactlyTheirMessages) {
    struct Case {
        const char* profile;
        std::vector<Box> boxes;
        bool deviceMade;
        D3DDEVTYPE type;
        DWORD vertexProcessing;
    };
    const Case cases[] = {
        {"default", {}, true, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING},
        {"no-hal", {HAL_MISSING}, true, D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING},
        {"no-hw-vertex-processing", {NO_HW_VERTEX_PROCESSING}, true, D3DDEVTYPE_HAL,
         D3DCREATE_SOFTWARE_VERTEXPROCESSING},
        {"no-device", {NO_HW_VERTEX_PROCESSING, GIVING_UP}, false, D3DDEVTYPE_HAL, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profile);
        SetMachineProfile(NamedProfile(c.profile));
        {
            ViewerApp app(window_);
            EXPECT_EQ(TakeBoxes(window_), c.boxes);
            const std::vector<MSG> posted = DrainMessages();
            if (c.deviceMade) {
                ASSERT_NE(app.device, nullptr);
                const D3DDEVICE_CREATION_PARAMETERS creation = CreationOf(app.device);
                EXPECT_EQ(creation.DeviceType, c.type);
                EXPECT_EQ(creation.BehaviorFlags, c.vertexProcessing);
                EXPECT_EQ(creation.hFocusWindow, window_);
                EXPECT_EQ(app.ready, 1);
                EXPECT_FALSE(Posted(posted, window_, WM_DESTROY));
                EXPECT_EQ(app.presentParams.Windowed, TRUE);
                EXPECT_EQ(app.presentParams.SwapEffect, D3DSWAPEFFECT_DISCARD);
                EXPECT_EQ(app.presentParams.EnableAutoDepthStencil, TRUE);
                EXPECT_EQ(app.presentParams.AutoDepthStencilFormat, D3DFMT_D16);
                ExpectFixedState(app.device);
                EXPECT_EQ(app.RenderFrame(), S_OK);
            } else {
                // The last failure gives up: WM_DESTROY is posted, and frames touch nothing.
                EXPECT_EQ(app.device, nullptr);
                EXPECT_EQ(app.ready, 0);
                EXPECT_TRUE(Posted(posted, window_, WM_DESTROY));
                EXPECT_TRUE(FAILED(app.RenderFrame()));
                EXPECT_EQ(app.vertexBuffer, nullptr);
                EXPECT_EQ(app.textureA, nullptr);
            }
        }
        EXPECT_EQ(TakeBoxes(window_), std::vector<Box>{});
    }
}

TEST_F(ViewerTest, ReferenceDeviceMissingEndsTheSetUpWithOneMessage) {
    MachineProfile profile = DefaultMachineProfile();
    profile.halAvailable = false;
    profile.referenceAvailable = false;
    SetMachineProfile(profile);
    ViewerApp app(window_);
    EXPECT_EQ(TakeBoxes(window_), std::vector<Box>{HAL_MISSING});
    EXPECT_FALSE(Posted(DrainMessages(), window_, WM_DESTROY));
    EXPECT_EQ(app.device, nullptr);
    EXPECT_NE(app.d3d, nullptr);
    // No device: frames fail quietly and draw nothing.
    EXPECT_TRUE(FAILED(app.RenderFrame()));
    EXPECT_EQ(app.FillSceneBuffers(), E_FAIL);
    EXPECT_EQ(TakeBoxes(window_), std::vector<Box>{});
}

TEST_F(ViewerTest, ReleaseAllEmptiesEverySlot) {
    ViewerApp app(window_);
    ASSERT_NE(app.textureB, nullptr);
    ASSERT_NE(app.indexBufferB, nullptr);
    EXPECT_GT(RuntimeLiveObjectCount(), 0u);
    EXPECT_EQ(app.ReleaseAll(), S_OK);
    EXPECT_EQ(app.d3d, nullptr);
    EXPECT_EQ(app.device, nullptr);
    EXPECT_EQ(app.vertexBuffer, nullptr);
    EXPECT_EQ(app.indexBufferA, nullptr);
    EXPECT_EQ(app.indexBufferB, nullptr);
    EXPECT_EQ(app.textureA, nullptr);
    EXPECT_EQ(app.textureB, nullptr);
    EXPECT_EQ(app.ReleaseAll(), S_OK);  // nothing left to release twice
}

TEST_F(ViewerTest, LostDeviceSkipsFramesThenIsRebuilt) {
    ViewerApp app(window_);
    ASSERT_EQ(app.RenderFrame(), S_OK);
    const UINT presentsBefore = PresentCount();
    ASSERT_GT(presentsBefore, 0u);

    SimulateDeviceLoss(3);
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_EQ(app.RenderFrame(), S_OK);
        EXPECT_EQ(app.ready, 1);
    }
    EXPECT_EQ(PresentCount(), presentsBefore);  // nothing drawn or presented while lost

    // The device can be reset now: the frame rebuilds everything and draws nothing itself.
    EXPECT_EQ(app.RenderFrame(), S_OK);
    EXPECT_EQ(app.ready, 1);
    EXPECT_EQ(PresentCount(), presentsBefore);
    EXPECT_EQ(TakeBoxes(window_), std::vector<Box>{});
    EXPECT_NE(app.textureA, nullptr);
    EXPECT_NE(app.vertexBuffer, nullptr);
    EXPECT_EQ(app.device->TestCooperativeLevel(), S_OK);
    ExpectFixedState(app.device);

    EXPECT_EQ(app.RenderFrame(), S_OK);
    EXPECT_EQ(PresentCount(), presentsBefore + 1);
}

TEST_F(ViewerTest, FailedRestoreSaysVideoLostAndQuits) {
    SetMachineProfile(NamedProfile("reset-fails"));
    ViewerApp app(window_);
    ASSERT_NE(app.device, nullptr);
    DrainMessages();

    SimulateDeviceLoss(1);
    EXPECT_EQ(app.RenderFrame(), S_OK);  // lost
    EXPECT_EQ(TakeBoxes(window_), std::vector<Box>{});
    EXPECT_EQ(app.RenderFrame(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(TakeBoxes(window_), std::vector<Box>{VIDEO_LOST});
    EXPECT_EQ(app.ready, 0);
    EXPECT_TRUE(Posted(DrainMessages(), window_, WM_DESTROY));

    // Everything was given up; a further frame neither retries nor shows a second box.
    EXPECT_EQ(app.device, nullptr);
    EXPECT_EQ(app.d3d, nullptr);
    EXPECT_TRUE(FAILED(app.RenderFrame()));
    EXPECT_EQ(TakeBoxes(window_), std::vector<Box>{});
}

}  // namespace
