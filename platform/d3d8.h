// Declarations of the Direct3D 8 interfaces, types, constants and result codes, as the
// system programs against them. The software runtime in platform/runtime implements them.
#pragma once

#include "platform/windows_api.h"

// ---- Basic types -------------------------------------------------------------------------

using D3DCOLOR = DWORD;

constexpr D3DCOLOR D3DCOLOR_ARGB(DWORD a, DWORD r, DWORD g, DWORD b) {
    return ((a & 0xFF) << 24) | ((r & 0xFF) << 16) | ((g & 0xFF) << 8) | (b & 0xFF);
}

constexpr DWORD MAKEFOURCC(char a, char b, char c, char d) {
    return static_cast<DWORD>(static_cast<BYTE>(a)) | (static_cast<DWORD>(static_cast<BYTE>(b)) << 8) |
           (static_cast<DWORD>(static_cast<BYTE>(c)) << 16) |
           (static_cast<DWORD>(static_cast<BYTE>(d)) << 24);
}

struct D3DVECTOR {
    float x;
    float y;
    float z;
};

struct D3DCOLORVALUE {
    float r;
    float g;
    float b;
    float a;
};

struct D3DRECT {
    LONG x1;
    LONG y1;
    LONG x2;
    LONG y2;
};

struct D3DMATRIX {
    union {
        struct {
            float _11, _12, _13, _14;
            float _21, _22, _23, _24;
            float _31, _32, _33, _34;
            float _41, _42, _43, _44;
        };
        float m[4][4];
    };
};

struct D3DVIEWPORT8 {
    DWORD X;
    DWORD Y;
    DWORD Width;
    DWORD Height;
    float MinZ;
    float MaxZ;
};

struct D3DBOX {
    UINT Left;
    UINT Top;
    UINT Right;
    UINT Bottom;
    UINT Front;
    UINT Back;
};

struct D3DLOCKED_RECT {
    INT Pitch;
    void* pBits;
};

struct D3DLOCKED_BOX {
    INT RowPitch;
    INT SlicePitch;
    void* pBits;
};

// ---- Formats -----------------------------------------------------------------------------

enum D3DFORMAT : DWORD {
    D3DFMT_UNKNOWN = 0,

    D3DFMT_R8G8B8 = 20,
    D3DFMT_A8R8G8B8 = 21,
    D3DFMT_X8R8G8B8 = 22,
    D3DFMT_R5G6B5 = 23,
    D3DFMT_X1R5G5B5 = 24,
    D3DFMT_A1R5G5B5 = 25,
    D3DFMT_A4R4G4B4 = 26,
    D3DFMT_R3G3B2 = 27,
    D3DFMT_A8 = 28,
    D3DFMT_A8R3G3B2 = 29,
    D3DFMT_X4R4G4B4 = 30,
    D3DFMT_A2B10G10R10 = 31,
    D3DFMT_G16R16 = 34,

    D3DFMT_A8P8 = 40,
    D3DFMT_P8 = 41,

    D3DFMT_L8 = 50,
    D3DFMT_A8L8 = 51,
    D3DFMT_A4L4 = 52,

    D3DFMT_V8U8 = 60,
    D3DFMT_L6V5U5 = 61,
    D3DFMT_X8L8V8U8 = 62,
    D3DFMT_Q8W8V8U8 = 63,
    D3DFMT_V16U16 = 64,
    D3DFMT_W11V11U10 = 65,
    D3DFMT_A2W10V10U10 = 67,

    D3DFMT_UYVY = MAKEFOURCC('U', 'Y', 'V', 'Y'),
    D3DFMT_YUY2 = MAKEFOURCC('Y', 'U', 'Y', '2'),
    D3DFMT_DXT1 = MAKEFOURCC('D', 'X', 'T', '1'),
    D3DFMT_DXT2 = MAKEFOURCC('D', 'X', 'T', '2'),
    D3DFMT_DXT3 = MAKEFOURCC('D', 'X', 'T', '3'),
    D3DFMT_DXT4 = MAKEFOURCC('D', 'X', 'T', '4'),
    D3DFMT_DXT5 = MAKEFOURCC('D', 'X', 'T', '5'),

    D3DFMT_D16_LOCKABLE = 70,
    D3DFMT_D32 = 71,
    D3DFMT_D15S1 = 73,
    D3DFMT_D24S8 = 75,
    D3DFMT_D24X8 = 77,
    D3DFMT_D24X4S4 = 79,
    D3DFMT_D16 = 80,

    D3DFMT_VERTEXDATA = 100,
    D3DFMT_INDEX16 = 101,
    D3DFMT_INDEX32 = 102,

    D3DFMT_FORCE_DWORD = 0x7FFFFFFF
};

// ---- Enumerations and flags -------------------------------------------------------------

constexpr UINT D3D_SDK_VERSION = 220;
constexpr UINT D3DADAPTER_DEFAULT = 0;
constexpr UINT D3DMAXUSERCLIPPLANES = 32;

enum D3DDEVTYPE : DWORD { D3DDEVTYPE_HAL = 1, D3DDEVTYPE_REF = 2, D3DDEVTYPE_SW = 3 };

enum D3DPOOL : DWORD {
    D3DPOOL_DEFAULT = 0,
    D3DPOOL_MANAGED = 1,
    D3DPOOL_SYSTEMMEM = 2,
    D3DPOOL_SCRATCH = 3
};

enum D3DRESOURCETYPE : DWORD {
    D3DRTYPE_SURFACE = 1,
    D3DRTYPE_VOLUME = 2,
    D3DRTYPE_TEXTURE = 3,
    D3DRTYPE_VOLUMETEXTURE = 4,
    D3DRTYPE_CUBETEXTURE = 5,
    D3DRTYPE_VERTEXBUFFER = 6,
    D3DRTYPE_INDEXBUFFER = 7
};

enum D3DMULTISAMPLE_TYPE : DWORD { D3DMULTISAMPLE_NONE = 0 };

enum D3DSWAPEFFECT : DWORD {
    D3DSWAPEFFECT_DISCARD = 1,
    D3DSWAPEFFECT_FLIP = 2,
    D3DSWAPEFFECT_COPY = 3,
    D3DSWAPEFFECT_COPY_VSYNC = 4
};

enum D3DBACKBUFFER_TYPE : DWORD { D3DBACKBUFFER_TYPE_MONO = 0 };

enum D3DCUBEMAP_FACES : DWORD {
    D3DCUBEMAP_FACE_POSITIVE_X = 0,
    D3DCUBEMAP_FACE_NEGATIVE_X = 1,
    D3DCUBEMAP_FACE_POSITIVE_Y = 2,
    D3DCUBEMAP_FACE_NEGATIVE_Y = 3,
    D3DCUBEMAP_FACE_POSITIVE_Z = 4,
    D3DCUBEMAP_FACE_NEGATIVE_Z = 5
};

enum D3DPRIMITIVETYPE : DWORD {
    D3DPT_POINTLIST = 1,
    D3DPT_LINELIST = 2,
    D3DPT_LINESTRIP = 3,
    D3DPT_TRIANGLELIST = 4,
    D3DPT_TRIANGLESTRIP = 5,
    D3DPT_TRIANGLEFAN = 6
};

enum D3DLIGHTTYPE : DWORD { D3DLIGHT_POINT = 1, D3DLIGHT_SPOT = 2, D3DLIGHT_DIRECTIONAL = 3 };

enum D3DSTATEBLOCKTYPE : DWORD { D3DSBT_ALL = 1, D3DSBT_PIXELSTATE = 2, D3DSBT_VERTEXSTATE = 3 };

enum D3DTRANSFORMSTATETYPE : DWORD {
    D3DTS_VIEW = 2,
    D3DTS_PROJECTION = 3,
    D3DTS_TEXTURE0 = 16,
    D3DTS_TEXTURE1 = 17,
    D3DTS_TEXTURE2 = 18,
    D3DTS_TEXTURE3 = 19,
    D3DTS_TEXTURE4 = 20,
    D3DTS_TEXTURE5 = 21,
    D3DTS_TEXTURE6 = 22,
    D3DTS_TEXTURE7 = 23,
    D3DTS_WORLD = 256,
    D3DTS_WORLD1 = 257,
    D3DTS_WORLD2 = 258,
    D3DTS_WORLD3 = 259
};

constexpr D3DTRANSFORMSTATETYPE D3DTS_WORLDMATRIX(DWORD index) {
    return static_cast<D3DTRANSFORMSTATETYPE>(index + 256);
}

enum D3DRENDERSTATETYPE : DWORD {
    D3DRS_ZENABLE = 7,
    D3DRS_FILLMODE = 8,
    D3DRS_SHADEMODE = 9,
    D3DRS_LINEPATTERN = 10,
    D3DRS_ZWRITEENABLE = 14,
    D3DRS_ALPHATESTENABLE = 15,
    D3DRS_LASTPIXEL = 16,
    D3DRS_SRCBLEND = 19,
    D3DRS_DESTBLEND = 20,
    D3DRS_CULLMODE = 22,
    D3DRS_ZFUNC = 23,
    D3DRS_ALPHAREF = 24,
    D3DRS_ALPHAFUNC = 25,
    D3DRS_DITHERENABLE = 26,
    D3DRS_ALPHABLENDENABLE = 27,
    D3DRS_FOGENABLE = 28,
    D3DRS_SPECULARENABLE = 29,
    D3DRS_ZVISIBLE = 30,
    D3DRS_FOGCOLOR = 34,
    D3DRS_FOGTABLEMODE = 35,
    D3DRS_FOGSTART = 36,
    D3DRS_FOGEND = 37,
    D3DRS_FOGDENSITY = 38,
    D3DRS_EDGEANTIALIAS = 40,
    D3DRS_ZBIAS = 47,
    D3DRS_RANGEFOGENABLE = 48,
    D3DRS_STENCILENABLE = 52,
    D3DRS_STENCILFAIL = 53,
    D3DRS_STENCILZFAIL = 54,
    D3DRS_STENCILPASS = 55,
    D3DRS_STENCILFUNC = 56,
    D3DRS_STENCILREF = 57,
    D3DRS_STENCILMASK = 58,
    D3DRS_STENCILWRITEMASK = 59,
    D3DRS_TEXTUREFACTOR = 60,
    D3DRS_WRAP0 = 128,
    D3DRS_WRAP1 = 129,
    D3DRS_WRAP2 = 130,
    D3DRS_WRAP3 = 131,
    D3DRS_WRAP4 = 132,
    D3DRS_WRAP5 = 133,
    D3DRS_WRAP6 = 134,
    D3DRS_WRAP7 = 135,
    D3DRS_CLIPPING = 136,
    D3DRS_LIGHTING = 137,
    D3DRS_AMBIENT = 139,
    D3DRS_FOGVERTEXMODE = 140,
    D3DRS_COLORVERTEX = 141,
    D3DRS_LOCALVIEWER = 142,
    D3DRS_NORMALIZENORMALS = 143,
    D3DRS_DIFFUSEMATERIALSOURCE = 145,
    D3DRS_SPECULARMATERIALSOURCE = 146,
    D3DRS_AMBIENTMATERIALSOURCE = 147,
    D3DRS_EMISSIVEMATERIALSOURCE = 148,
    D3DRS_VERTEXBLEND = 151,
    D3DRS_CLIPPLANEENABLE = 152,
    D3DRS_SOFTWAREVERTEXPROCESSING = 153,
    D3DRS_POINTSIZE = 154,
    D3DRS_POINTSIZE_MIN = 155,
    D3DRS_POINTSPRITEENABLE = 156,
    D3DRS_POINTSCALEENABLE = 157,
    D3DRS_POINTSCALE_A = 158,
    D3DRS_POINTSCALE_B = 159,
    D3DRS_POINTSCALE_C = 160,
    D3DRS_MULTISAMPLEANTIALIAS = 161,
    D3DRS_MULTISAMPLEMASK = 162,
    D3DRS_PATCHEDGESTYLE = 163,
    D3DRS_PATCHSEGMENTS = 164,
    D3DRS_DEBUGMONITORTOKEN = 165,
    D3DRS_POINTSIZE_MAX = 166,
    D3DRS_INDEXEDVERTEXBLENDENABLE = 167,
    D3DRS_COLORWRITEENABLE = 168,
    D3DRS_TWEENFACTOR = 170,
    D3DRS_BLENDOP = 171
};

enum D3DTEXTURESTAGESTATETYPE : DWORD {
    D3DTSS_COLOROP = 1,
    D3DTSS_COLORARG1 = 2,
    D3DTSS_COLORARG2 = 3,
    D3DTSS_ALPHAOP = 4,
    D3DTSS_ALPHAARG1 = 5,
    D3DTSS_ALPHAARG2 = 6,
    D3DTSS_BUMPENVMAT00 = 7,
    D3DTSS_BUMPENVMAT01 = 8,
    D3DTSS_BUMPENVMAT10 = 9,
    D3DTSS_BUMPENVMAT11 = 10,
    D3DTSS_TEXCOORDINDEX = 11,
    D3DTSS_ADDRESSU = 13,
    D3DTSS_ADDRESSV = 14,
    D3DTSS_BORDERCOLOR = 15,
    D3DTSS_MAGFILTER = 16,
    D3DTSS_MINFILTER = 17,
    D3DTSS_MIPFILTER = 18,
    D3DTSS_MIPMAPLODBIAS = 19,
    D3DTSS_MAXMIPLEVEL = 20,
    D3DTSS_MAXANISOTROPY = 21,
    D3DTSS_BUMPENVLSCALE = 22,
    D3DTSS_BUMPENVLOFFSET = 23,
    D3DTSS_TEXTURETRANSFORMFLAGS = 24,
    D3DTSS_ADDRESSW = 25,
    D3DTSS_COLORARG0 = 26,
    D3DTSS_ALPHAARG0 = 27,
    D3DTSS_RESULTARG = 28
};

enum D3DTEXTUREOP : DWORD {
    D3DTOP_DISABLE = 1,
    D3DTOP_SELECTARG1 = 2,
    D3DTOP_SELECTARG2 = 3,
    D3DTOP_MODULATE = 4,
    D3DTOP_MODULATE2X = 5,
    D3DTOP_MODULATE4X = 6,
    D3DTOP_ADD = 7,
    D3DTOP_ADDSIGNED = 8,
    D3DTOP_ADDSIGNED2X = 9,
    D3DTOP_SUBTRACT = 10,
    D3DTOP_ADDSMOOTH = 11,
    D3DTOP_BLENDDIFFUSEALPHA = 12,
    D3DTOP_BLENDTEXTUREALPHA = 13,
    D3DTOP_BLENDFACTORALPHA = 14,
    D3DTOP_BLENDTEXTUREALPHAPM = 15,
    D3DTOP_BLENDCURRENTALPHA = 16,
    D3DTOP_PREMODULATE = 17,
    D3DTOP_MODULATEALPHA_ADDCOLOR = 18,
    D3DTOP_MODULATECOLOR_ADDALPHA = 19,
    D3DTOP_MODULATEINVALPHA_ADDCOLOR = 20,
    D3DTOP_MODULATEINVCOLOR_ADDALPHA = 21,
    D3DTOP_BUMPENVMAP = 22,
    D3DTOP_BUMPENVMAPLUMINANCE = 23,
    D3DTOP_DOTPRODUCT3 = 24,
    D3DTOP_MULTIPLYADD = 25,
    D3DTOP_LERP = 26
};

// Texture argument selectors and modifiers.
constexpr DWORD D3DTA_SELECTMASK = 0x0000000F;
constexpr DWORD D3DTA_DIFFUSE = 0x00000000;
constexpr DWORD D3DTA_CURRENT = 0x00000001;
constexpr DWORD D3DTA_TEXTURE = 0x00000002;
constexpr DWORD D3DTA_TFACTOR = 0x00000003;
constexpr DWORD D3DTA_SPECULAR = 0x00000004;
constexpr DWORD D3DTA_TEMP = 0x00000005;
constexpr DWORD D3DTA_COMPLEMENT = 0x00000010;
constexpr DWORD D3DTA_ALPHAREPLICATE = 0x00000020;

enum D3DTEXTUREADDRESS : DWORD {
    D3DTADDRESS_WRAP = 1,
    D3DTADDRESS_MIRROR = 2,
    D3DTADDRESS_CLAMP = 3,
    D3DTADDRESS_BORDER = 4,
    D3DTADDRESS_MIRRORONCE = 5
};

enum D3DTEXTUREFILTERTYPE : DWORD {
    D3DTEXF_NONE = 0,
    D3DTEXF_POINT = 1,
    D3DTEXF_LINEAR = 2,
    D3DTEXF_ANISOTROPIC = 3,
    D3DTEXF_FLATCUBIC = 4,
    D3DTEXF_GAUSSIANCUBIC = 5
};

enum D3DCULL : DWORD { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };
enum D3DSHADEMODE : DWORD { D3DSHADE_FLAT = 1, D3DSHADE_GOURAUD = 2, D3DSHADE_PHONG = 3 };
enum D3DFILLMODE : DWORD { D3DFILL_POINT = 1, D3DFILL_WIREFRAME = 2, D3DFILL_SOLID = 3 };
enum D3DZBUFFERTYPE : DWORD { D3DZB_FALSE = 0, D3DZB_TRUE = 1, D3DZB_USEW = 2 };

enum D3DCMPFUNC : DWORD {
    D3DCMP_NEVER = 1,
    D3DCMP_LESS = 2,
    D3DCMP_EQUAL = 3,
    D3DCMP_LESSEQUAL = 4,
    D3DCMP_GREATER = 5,
    D3DCMP_NOTEQUAL = 6,
    D3DCMP_GREATEREQUAL = 7,
    D3DCMP_ALWAYS = 8
};

enum D3DBLEND : DWORD {
    D3DBLEND_ZERO = 1,
    D3DBLEND_ONE = 2,
    D3DBLEND_SRCCOLOR = 3,
    D3DBLEND_INVSRCCOLOR = 4,
    D3DBLEND_SRCALPHA = 5,
    D3DBLEND_INVSRCALPHA = 6,
    D3DBLEND_DESTALPHA = 7,
    D3DBLEND_INVDESTALPHA = 8,
    D3DBLEND_DESTCOLOR = 9,
    D3DBLEND_INVDESTCOLOR = 10,
    D3DBLEND_SRCALPHASAT = 11
};

enum D3DBLENDOP : DWORD {
    D3DBLENDOP_ADD = 1,
    D3DBLENDOP_SUBTRACT = 2,
    D3DBLENDOP_REVSUBTRACT = 3,
    D3DBLENDOP_MIN = 4,
    D3DBLENDOP_MAX = 5
};

enum D3DSTENCILOP : DWORD {
    D3DSTENCILOP_KEEP = 1,
    D3DSTENCILOP_ZERO = 2,
    D3DSTENCILOP_REPLACE = 3,
    D3DSTENCILOP_INCRSAT = 4,
    D3DSTENCILOP_DECRSAT = 5,
    D3DSTENCILOP_INVERT = 6,
    D3DSTENCILOP_INCR = 7,
    D3DSTENCILOP_DECR = 8
};

enum D3DFOGMODE : DWORD { D3DFOG_NONE = 0, D3DFOG_EXP = 1, D3DFOG_EXP2 = 2, D3DFOG_LINEAR = 3 };

enum D3DMATERIALCOLORSOURCE : DWORD { D3DMCS_MATERIAL = 0, D3DMCS_COLOR1 = 1, D3DMCS_COLOR2 = 2 };

enum D3DVERTEXBLENDFLAGS : DWORD {
    D3DVBF_DISABLE = 0,
    D3DVBF_1WEIGHTS = 1,
    D3DVBF_2WEIGHTS = 2,
    D3DVBF_3WEIGHTS = 3,
    D3DVBF_TWEENING = 255,
    D3DVBF_0WEIGHTS = 256
};

enum D3DTEXTURETRANSFORMFLAGS : DWORD { D3DTTFF_DISABLE = 0 };

enum D3DPATCHEDGESTYLE : DWORD { D3DPATCHEDGE_DISCRETE = 0, D3DPATCHEDGE_CONTINUOUS = 1 };

constexpr DWORD D3DUSAGE_RENDERTARGET = 0x00000001;
constexpr DWORD D3DUSAGE_DEPTHSTENCIL = 0x00000002;
constexpr DWORD D3DUSAGE_WRITEONLY = 0x00000008;
constexpr DWORD D3DUSAGE_SOFTWAREPROCESSING = 0x00000010;
constexpr DWORD D3DUSAGE_DONOTCLIP = 0x00000020;
constexpr DWORD D3DUSAGE_POINTS = 0x00000040;
constexpr DWORD D3DUSAGE_RTPATCHES = 0x00000080;
constexpr DWORD D3DUSAGE_NPATCHES = 0x00000100;
constexpr DWORD D3DUSAGE_DYNAMIC = 0x00000200;

constexpr DWORD D3DLOCK_READONLY = 0x00000010;
constexpr DWORD D3DLOCK_NOSYSLOCK = 0x00000800;
constexpr DWORD D3DLOCK_NOOVERWRITE = 0x00001000;
constexpr DWORD D3DLOCK_DISCARD = 0x00002000;
constexpr DWORD D3DLOCK_NO_DIRTY_UPDATE = 0x00008000;

constexpr DWORD D3DCREATE_FPU_PRESERVE = 0x00000002;
constexpr DWORD D3DCREATE_MULTITHREADED = 0x00000004;
constexpr DWORD D3DCREATE_PUREDEVICE = 0x00000010;
constexpr DWORD D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x00000020;
constexpr DWORD D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x00000040;
constexpr DWORD D3DCREATE_MIXED_VERTEXPROCESSING = 0x00000080;

constexpr DWORD D3DCLEAR_TARGET = 0x00000001;
constexpr DWORD D3DCLEAR_ZBUFFER = 0x00000002;
constexpr DWORD D3DCLEAR_STENCIL = 0x00000004;

constexpr DWORD D3DPRESENTFLAG_LOCKABLE_BACKBUFFER = 0x00000001;
constexpr UINT D3DPRESENT_RATE_DEFAULT = 0;
constexpr UINT D3DPRESENT_INTERVAL_DEFAULT = 0;

// Texture capabilities (D3DCAPS8::TextureCaps).
constexpr DWORD D3DPTEXTURECAPS_PERSPECTIVE = 0x00000001;
constexpr DWORD D3DPTEXTURECAPS_POW2 = 0x00000002;
constexpr DWORD D3DPTEXTURECAPS_ALPHA = 0x00000004;
constexpr DWORD D3DPTEXTURECAPS_SQUAREONLY = 0x00000020;
constexpr DWORD D3DPTEXTURECAPS_TEXREPEATNOTSCALEDBYSIZE = 0x00000040;
constexpr DWORD D3DPTEXTURECAPS_ALPHAPALETTE = 0x00000080;
constexpr DWORD D3DPTEXTURECAPS_NONPOW2CONDITIONAL = 0x00000100;
constexpr DWORD D3DPTEXTURECAPS_PROJECTED = 0x00000400;
constexpr DWORD D3DPTEXTURECAPS_CUBEMAP = 0x00000800;
constexpr DWORD D3DPTEXTURECAPS_VOLUMEMAP = 0x00002000;
constexpr DWORD D3DPTEXTURECAPS_MIPMAP = 0x00004000;
constexpr DWORD D3DPTEXTURECAPS_MIPVOLUMEMAP = 0x00008000;
constexpr DWORD D3DPTEXTURECAPS_MIPCUBEMAP = 0x00010000;
constexpr DWORD D3DPTEXTURECAPS_CUBEMAP_POW2 = 0x00020000;
constexpr DWORD D3DPTEXTURECAPS_VOLUMEMAP_POW2 = 0x00040000;

// Flexible vertex format codes.
constexpr DWORD D3DFVF_RESERVED0 = 0x001;
constexpr DWORD D3DFVF_POSITION_MASK = 0x00E;
constexpr DWORD D3DFVF_XYZ = 0x002;
constexpr DWORD D3DFVF_XYZRHW = 0x004;
constexpr DWORD D3DFVF_XYZB1 = 0x006;
constexpr DWORD D3DFVF_XYZB2 = 0x008;
constexpr DWORD D3DFVF_XYZB3 = 0x00A;
constexpr DWORD D3DFVF_XYZB4 = 0x00C;
constexpr DWORD D3DFVF_XYZB5 = 0x00E;
constexpr DWORD D3DFVF_NORMAL = 0x010;
constexpr DWORD D3DFVF_PSIZE = 0x020;
constexpr DWORD D3DFVF_DIFFUSE = 0x040;
constexpr DWORD D3DFVF_SPECULAR = 0x080;
constexpr DWORD D3DFVF_TEXCOUNT_MASK = 0xF00;
constexpr DWORD D3DFVF_TEXCOUNT_SHIFT = 8;
constexpr DWORD D3DFVF_TEX0 = 0x000;
constexpr DWORD D3DFVF_TEX1 = 0x100;
constexpr DWORD D3DFVF_TEX2 = 0x200;
constexpr DWORD D3DFVF_TEX3 = 0x300;
constexpr DWORD D3DFVF_TEX4 = 0x400;
constexpr DWORD D3DFVF_TEX5 = 0x500;
constexpr DWORD D3DFVF_TEX6 = 0x600;
constexpr DWORD D3DFVF_TEX7 = 0x700;
constexpr DWORD D3DFVF_TEX8 = 0x800;

// Vertex shader declaration tokens.
constexpr DWORD D3DVSD_TOKENTYPESHIFT = 29;
constexpr DWORD D3DVSD_TOKENTYPEMASK = 7u << D3DVSD_TOKENTYPESHIFT;
enum D3DVSD_TOKENTYPE : DWORD {
    D3DVSD_TOKEN_NOP = 0,
    D3DVSD_TOKEN_STREAM = 1,
    D3DVSD_TOKEN_STREAMDATA = 2,
    D3DVSD_TOKEN_TESSELLATOR = 3,
    D3DVSD_TOKEN_CONSTMEM = 4,
    D3DVSD_TOKEN_EXT = 5,
    D3DVSD_TOKEN_END = 7
};
constexpr DWORD D3DVSD_STREAMNUMBERMASK = 0x0000000F;
constexpr DWORD D3DVSD_VERTEXREGMASK = 0x0000001F;
constexpr DWORD D3DVSD_DATATYPESHIFT = 16;
constexpr DWORD D3DVSD_DATATYPEMASK = 0xFu << D3DVSD_DATATYPESHIFT;
constexpr DWORD D3DVSD_DATALOADTYPESHIFT = 28;
constexpr DWORD D3DVSD_DATALOADTYPEMASK = 1u << D3DVSD_DATALOADTYPESHIFT;
constexpr DWORD D3DVSD_SKIPCOUNTSHIFT = 16;
constexpr DWORD D3DVSD_SKIPCOUNTMASK = 0xFu << D3DVSD_SKIPCOUNTSHIFT;

constexpr DWORD D3DVSDT_FLOAT1 = 0x00;
constexpr DWORD D3DVSDT_FLOAT2 = 0x01;
constexpr DWORD D3DVSDT_FLOAT3 = 0x02;
constexpr DWORD D3DVSDT_FLOAT4 = 0x03;
constexpr DWORD D3DVSDT_D3DCOLOR = 0x04;
constexpr DWORD D3DVSDT_UBYTE4 = 0x05;
constexpr DWORD D3DVSDT_SHORT2 = 0x06;
constexpr DWORD D3DVSDT_SHORT4 = 0x07;

constexpr DWORD D3DVSDE_POSITION = 0;
constexpr DWORD D3DVSDE_BLENDWEIGHT = 1;
constexpr DWORD D3DVSDE_BLENDINDICES = 2;
constexpr DWORD D3DVSDE_NORMAL = 3;
constexpr DWORD D3DVSDE_PSIZE = 4;
constexpr DWORD D3DVSDE_DIFFUSE = 5;
constexpr DWORD D3DVSDE_SPECULAR = 6;
constexpr DWORD D3DVSDE_TEXCOORD0 = 7;
constexpr DWORD D3DVSDE_TEXCOORD1 = 8;
constexpr DWORD D3DVSDE_TEXCOORD2 = 9;
constexpr DWORD D3DVSDE_TEXCOORD3 = 10;
constexpr DWORD D3DVSDE_TEXCOORD4 = 11;
constexpr DWORD D3DVSDE_TEXCOORD5 = 12;
constexpr DWORD D3DVSDE_TEXCOORD6 = 13;
constexpr DWORD D3DVSDE_TEXCOORD7 = 14;
constexpr DWORD D3DVSDE_POSITION2 = 15;
constexpr DWORD D3DVSDE_NORMAL2 = 16;

constexpr DWORD D3DVSD_STREAM(DWORD stream) {
    return (D3DVSD_TOKEN_STREAM << D3DVSD_TOKENTYPESHIFT) | stream;
}
constexpr DWORD D3DVSD_REG(DWORD reg, DWORD type) {
    return (D3DVSD_TOKEN_STREAMDATA << D3DVSD_TOKENTYPESHIFT) | (type << D3DVSD_DATATYPESHIFT) | reg;
}
constexpr DWORD D3DVSD_SKIP(DWORD dwordCount) {
    return (D3DVSD_TOKEN_STREAMDATA << D3DVSD_TOKENTYPESHIFT) | 0x10000000u |
           (dwordCount << D3DVSD_SKIPCOUNTSHIFT);
}
constexpr DWORD D3DVSD_END() { return 0xFFFFFFFFu; }
constexpr DWORD D3DVSD_NOP() { return 0x00000000u; }

// ---- Result codes ------------------------------------------------------------------------

constexpr HRESULT MakeD3DResult(DWORD code) { return MakeResult(0x88760000u | code); }

constexpr HRESULT D3D_OK = S_OK;
constexpr HRESULT D3DERR_WRONGTEXTUREFORMAT = MakeD3DResult(2072);
constexpr HRESULT D3DERR_UNSUPPORTEDCOLOROPERATION = MakeD3DResult(2073);
constexpr HRESULT D3DERR_UNSUPPORTEDCOLORARG = MakeD3DResult(2074);
constexpr HRESULT D3DERR_UNSUPPORTEDALPHAOPERATION = MakeD3DResult(2075);
constexpr HRESULT D3DERR_UNSUPPORTEDALPHAARG = MakeD3DResult(2076);
constexpr HRESULT D3DERR_TOOMANYOPERATIONS = MakeD3DResult(2077);
constexpr HRESULT D3DERR_CONFLICTINGTEXTUREFILTER = MakeD3DResult(2078);
constexpr HRESULT D3DERR_UNSUPPORTEDFACTORVALUE = MakeD3DResult(2079);
constexpr HRESULT D3DERR_CONFLICTINGRENDERSTATE = MakeD3DResult(2081);
constexpr HRESULT D3DERR_UNSUPPORTEDTEXTUREFILTER = MakeD3DResult(2082);
constexpr HRESULT D3DERR_CONFLICTINGTEXTUREPALETTE = MakeD3DResult(2086);
constexpr HRESULT D3DERR_DRIVERINTERNALERROR = MakeD3DResult(2087);
constexpr HRESULT D3DERR_NOTFOUND = MakeD3DResult(2150);
constexpr HRESULT D3DERR_MOREDATA = MakeD3DResult(2151);
constexpr HRESULT D3DERR_DEVICELOST = MakeD3DResult(2152);        // 0x88760868
constexpr HRESULT D3DERR_DEVICENOTRESET = MakeD3DResult(2153);    // 0x88760869
constexpr HRESULT D3DERR_NOTAVAILABLE = MakeD3DResult(2154);      // 0x8876086A
constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = MakeD3DResult(380);   // 0x8876017C
constexpr HRESULT D3DERR_INVALIDDEVICE = MakeD3DResult(2155);
constexpr HRESULT D3DERR_INVALIDCALL = MakeD3DResult(2156);       // 0x8876086C
constexpr HRESULT D3DERR_DRIVERINVALIDCALL = MakeD3DResult(2157);

static_assert(static_cast<DWORD>(D3DERR_INVALIDCALL) == 0x8876086Cu);
static_assert(static_cast<DWORD>(D3DERR_DEVICELOST) == 0x88760868u);
static_assert(static_cast<DWORD>(D3DERR_NOTAVAILABLE) == 0x8876086Au);

// ---- Structures --------------------------------------------------------------------------

struct D3DDISPLAYMODE {
    UINT Width;
    UINT Height;
    UINT RefreshRate;
    D3DFORMAT Format;
};

struct D3DPRESENT_PARAMETERS {
    UINT BackBufferWidth;
    UINT BackBufferHeight;
    D3DFORMAT BackBufferFormat;
    UINT BackBufferCount;
    D3DMULTISAMPLE_TYPE MultiSampleType;
    D3DSWAPEFFECT SwapEffect;
    HWND hDeviceWindow;
    BOOL Windowed;
    BOOL EnableAutoDepthStencil;
    D3DFORMAT AutoDepthStencilFormat;
    DWORD Flags;
    UINT FullScreen_RefreshRateInHz;
    UINT FullScreen_PresentationInterval;
};

struct D3DDEVICE_CREATION_PARAMETERS {
    UINT AdapterOrdinal;
    D3DDEVTYPE DeviceType;
    HWND hFocusWindow;
    DWORD BehaviorFlags;
};

struct D3DADAPTER_IDENTIFIER8 {
    char Driver[512];
    char Description[512];
    DWORD DriverVersionLowPart;
    DWORD DriverVersionHighPart;
    DWORD VendorId;
    DWORD DeviceId;
    DWORD SubSysId;
    DWORD Revision;
    GUID DeviceIdentifier;
    DWORD WHQLLevel;
};

struct D3DCAPS8 {
    D3DDEVTYPE DeviceType;
    UINT AdapterOrdinal;
    DWORD Caps;
    DWORD Caps2;
    DWORD Caps3;
    DWORD PresentationIntervals;
    DWORD CursorCaps;
    DWORD DevCaps;
    DWORD PrimitiveMiscCaps;
    DWORD RasterCaps;
    DWORD ZCmpCaps;
    DWORD SrcBlendCaps;
    DWORD DestBlendCaps;
    DWORD AlphaCmpCaps;
    DWORD ShadeCaps;
    DWORD TextureCaps;
    DWORD TextureFilterCaps;
    DWORD CubeTextureFilterCaps;
    DWORD VolumeTextureFilterCaps;
    DWORD TextureAddressCaps;
    DWORD VolumeTextureAddressCaps;
    DWORD LineCaps;
    DWORD MaxTextureWidth;
    DWORD MaxTextureHeight;
    DWORD MaxVolumeExtent;
    DWORD MaxTextureRepeat;
    DWORD MaxTextureAspectRatio;
    DWORD MaxAnisotropy;
    float MaxVertexW;
    float GuardBandLeft;
    float GuardBandTop;
    float GuardBandRight;
    float GuardBandBottom;
    float ExtentsAdjust;
    DWORD StencilCaps;
    DWORD FVFCaps;
    DWORD TextureOpCaps;
    DWORD MaxTextureBlendStages;
    DWORD MaxSimultaneousTextures;
    DWORD VertexProcessingCaps;
    DWORD MaxActiveLights;
    DWORD MaxUserClipPlanes;
    DWORD MaxVertexBlendMatrices;
    DWORD MaxVertexBlendMatrixIndex;
    float MaxPointSize;
    DWORD MaxPrimitiveCount;
    DWORD MaxVertexIndex;
    DWORD MaxStreams;
    DWORD MaxStreamStride;
    DWORD VertexShaderVersion;
    DWORD MaxVertexShaderConst;
    DWORD PixelShaderVersion;
    float MaxPixelShaderValue;
};

struct D3DSURFACE_DESC {
    D3DFORMAT Format;
    D3DRESOURCETYPE Type;
    DWORD Usage;
    D3DPOOL Pool;
    UINT Size;
    D3DMULTISAMPLE_TYPE MultiSampleType;
    UINT Width;
    UINT Height;
};

struct D3DVOLUME_DESC {
    D3DFORMAT Format;
    D3DRESOURCETYPE Type;
    DWORD Usage;
    D3DPOOL Pool;
    UINT Size;
    UINT Width;
    UINT Height;
    UINT Depth;
};

struct D3DVERTEXBUFFER_DESC {
    D3DFORMAT Format;
    D3DRESOURCETYPE Type;
    DWORD Usage;
    D3DPOOL Pool;
    UINT Size;
    DWORD FVF;
};

struct D3DINDEXBUFFER_DESC {
    D3DFORMAT Format;
    D3DRESOURCETYPE Type;
    DWORD Usage;
    D3DPOOL Pool;
    UINT Size;
};

struct D3DLIGHT8 {
    D3DLIGHTTYPE Type;
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Ambient;
    D3DVECTOR Position;
    D3DVECTOR Direction;
    float Range;
    float Falloff;
    float Attenuation0;
    float Attenuation1;
    float Attenuation2;
    float Theta;
    float Phi;
};

struct D3DMATERIAL8 {
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Ambient;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Emissive;
    float Power;
};

struct D3DRASTER_STATUS {
    BOOL InVBlank;
    UINT ScanLine;
};

struct D3DGAMMARAMP {
    WORD red[256];
    WORD green[256];
    WORD blue[256];
};

struct D3DCLIPSTATUS8 {
    DWORD ClipUnion;
    DWORD ClipIntersection;
};

struct D3DRECTPATCH_INFO {
    UINT StartVertexOffsetWidth;
    UINT StartVertexOffsetHeight;
    UINT Width;
    UINT Height;
    UINT Stride;
    DWORD Basis;
    DWORD Order;
};

struct D3DTRIPATCH_INFO {
    UINT StartVertexOffset;
    UINT NumVertices;
    DWORD Basis;
    DWORD Order;
};

struct RGNDATA;
struct HMONITOR__;
using HMONITOR = HMONITOR__*;

// ---- Interfaces --------------------------------------------------------------------------

struct IDirect3D8;
struct IDirect3DDevice8;
struct IDirect3DResource8;
struct IDirect3DBaseTexture8;
struct IDirect3DTexture8;
struct IDirect3DVolumeTexture8;
struct IDirect3DCubeTexture8;
struct IDirect3DSurface8;
struct IDirect3DVolume8;
struct IDirect3DVertexBuffer8;
struct IDirect3DIndexBuffer8;
struct IDirect3DSwapChain8;

extern const IID IID_IDirect3D8;
extern const IID IID_IDirect3DDevice8;
extern const IID IID_IDirect3DResource8;
extern const IID IID_IDirect3DBaseTexture8;
extern const IID IID_IDirect3DTexture8;
extern const IID IID_IDirect3DVolumeTexture8;
extern const IID IID_IDirect3DCubeTexture8;
extern const IID IID_IDirect3DSurface8;
extern const IID IID_IDirect3DVolume8;
extern const IID IID_IDirect3DVertexBuffer8;
extern const IID IID_IDirect3DIndexBuffer8;
extern const IID IID_IDirect3DSwapChain8;

struct IDirect3D8 : IUnknown {
    virtual HRESULT RegisterSoftwareDevice(void* initializeFunction) = 0;
    virtual UINT GetAdapterCount() = 0;
    virtual HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER8* identifier) = 0;
    virtual UINT GetAdapterModeCount(UINT adapter) = 0;
    virtual HRESULT EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* displayMode) = 0;
    virtual HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) = 0;
    virtual HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE checkType, D3DFORMAT displayFormat,
                                    D3DFORMAT backBufferFormat, BOOL windowed) = 0;
    virtual HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat,
                                      DWORD usage, D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) = 0;
    virtual HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT surfaceFormat,
                                               BOOL windowed, D3DMULTISAMPLE_TYPE multiSampleType) = 0;
    virtual HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat,
                                           D3DFORMAT renderTargetFormat, D3DFORMAT depthStencilFormat) = 0;
    virtual HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE deviceType, D3DCAPS8* caps) = 0;
    virtual HMONITOR GetAdapterMonitor(UINT adapter) = 0;
    virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                                 D3DPRESENT_PARAMETERS* presentationParameters,
                                 IDirect3DDevice8** returnedDevice) = 0;

protected:
    ~IDirect3D8() = default;
};

struct IDirect3DDevice8 : IUnknown {
    virtual HRESULT TestCooperativeLevel() = 0;
    virtual UINT GetAvailableTextureMem() = 0;
    virtual HRESULT ResourceManagerDiscardBytes(DWORD bytes) = 0;
    virtual HRESULT GetDirect3D(IDirect3D8** d3d) = 0;
    virtual HRESULT GetDeviceCaps(D3DCAPS8* caps) = 0;
    virtual HRESULT GetDisplayMode(D3DDISPLAYMODE* mode) = 0;
    virtual HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) = 0;
    virtual HRESULT SetCursorProperties(UINT hotSpotX, UINT hotSpotY, IDirect3DSurface8* cursorBitmap) = 0;
    virtual void SetCursorPosition(int x, int y, DWORD flags) = 0;
    virtual BOOL ShowCursor(BOOL show) = 0;
    virtual HRESULT CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* presentationParameters,
                                              IDirect3DSwapChain8** swapChain) = 0;
    virtual HRESULT Reset(D3DPRESENT_PARAMETERS* presentationParameters) = 0;
    virtual HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                            const RGNDATA* dirtyRegion) = 0;
    virtual HRESULT GetBackBuffer(UINT backBuffer, D3DBACKBUFFER_TYPE type, IDirect3DSurface8** surface) = 0;
    virtual HRESULT GetRasterStatus(D3DRASTER_STATUS* status) = 0;
    virtual void SetGammaRamp(DWORD flags, const D3DGAMMARAMP* ramp) = 0;
    virtual void GetGammaRamp(D3DGAMMARAMP* ramp) = 0;
    virtual HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                  D3DPOOL pool, IDirect3DTexture8** texture) = 0;
    virtual HRESULT CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage,
                                        D3DFORMAT format, D3DPOOL pool, IDirect3DVolumeTexture8** texture) = 0;
    virtual HRESULT CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format,
                                      D3DPOOL pool, IDirect3DCubeTexture8** texture) = 0;
    virtual HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       IDirect3DVertexBuffer8** buffer) = 0;
    virtual HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DIndexBuffer8** buffer) = 0;
    virtual HRESULT CreateRenderTarget(UINT width, UINT height, D3DFORMAT format,
                                       D3DMULTISAMPLE_TYPE multiSample, BOOL lockable,
                                       IDirect3DSurface8** surface) = 0;
    virtual HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                              D3DMULTISAMPLE_TYPE multiSample, IDirect3DSurface8** surface) = 0;
    virtual HRESULT CreateImageSurface(UINT width, UINT height, D3DFORMAT format, IDirect3DSurface8** surface) = 0;
    virtual HRESULT CopyRects(IDirect3DSurface8* sourceSurface, const RECT* sourceRects, UINT rectCount,
                              IDirect3DSurface8* destinationSurface, const POINT* destPoints) = 0;
    virtual HRESULT UpdateTexture(IDirect3DBaseTexture8* sourceTexture, IDirect3DBaseTexture8* destinationTexture) = 0;
    virtual HRESULT GetFrontBuffer(IDirect3DSurface8* destinationSurface) = 0;
    virtual HRESULT SetRenderTarget(IDirect3DSurface8* renderTarget, IDirect3DSurface8* newZStencil) = 0;
    virtual HRESULT GetRenderTarget(IDirect3DSurface8** renderTarget) = 0;
    virtual HRESULT GetDepthStencilSurface(IDirect3DSurface8** zStencilSurface) = 0;
    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    virtual HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                          DWORD stencil) = 0;
    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) = 0;
    virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) = 0;
    virtual HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) = 0;
    virtual HRESULT SetViewport(const D3DVIEWPORT8* viewport) = 0;
    virtual HRESULT GetViewport(D3DVIEWPORT8* viewport) = 0;
    virtual HRESULT SetMaterial(const D3DMATERIAL8* material) = 0;
    virtual HRESULT GetMaterial(D3DMATERIAL8* material) = 0;
    virtual HRESULT SetLight(DWORD index, const D3DLIGHT8* light) = 0;
    virtual HRESULT GetLight(DWORD index, D3DLIGHT8* light) = 0;
    virtual HRESULT LightEnable(DWORD index, BOOL enable) = 0;
    virtual HRESULT GetLightEnable(DWORD index, BOOL* enable) = 0;
    virtual HRESULT SetClipPlane(DWORD index, const float* plane) = 0;
    virtual HRESULT GetClipPlane(DWORD index, float* plane) = 0;
    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
    virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) = 0;
    virtual HRESULT BeginStateBlock() = 0;
    virtual HRESULT EndStateBlock(DWORD* token) = 0;
    virtual HRESULT ApplyStateBlock(DWORD token) = 0;
    virtual HRESULT CaptureStateBlock(DWORD token) = 0;
    virtual HRESULT DeleteStateBlock(DWORD token) = 0;
    virtual HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE type, DWORD* token) = 0;
    virtual HRESULT SetClipStatus(const D3DCLIPSTATUS8* clipStatus) = 0;
    virtual HRESULT GetClipStatus(D3DCLIPSTATUS8* clipStatus) = 0;
    virtual HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) = 0;
    virtual HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) = 0;
    virtual HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) = 0;
    virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) = 0;
    virtual HRESULT ValidateDevice(DWORD* passes) = 0;
    virtual HRESULT GetInfo(DWORD devInfoId, void* devInfo, DWORD devInfoSize) = 0;
    virtual HRESULT SetPaletteEntries(UINT paletteNumber, const PALETTEENTRY* entries) = 0;
    virtual HRESULT GetPaletteEntries(UINT paletteNumber, PALETTEENTRY* entries) = 0;
    virtual HRESULT SetCurrentTexturePalette(UINT paletteNumber) = 0;
    virtual HRESULT GetCurrentTexturePalette(UINT* paletteNumber) = 0;
    virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex, UINT primitiveCount) = 0;
    virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, UINT minIndex, UINT numVertices,
                                         UINT startIndex, UINT primitiveCount) = 0;
    virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount,
                                    const void* vertexStreamZeroData, UINT vertexStreamZeroStride) = 0;
    virtual HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT minVertexIndex,
                                           UINT numVertexIndices, UINT primitiveCount, const void* indexData,
                                           D3DFORMAT indexDataFormat, const void* vertexStreamZeroData,
                                           UINT vertexStreamZeroStride) = 0;
    virtual HRESULT ProcessVertices(UINT sourceStartIndex, UINT destIndex, UINT vertexCount,
                                    IDirect3DVertexBuffer8* destinationBuffer, DWORD flags) = 0;
    virtual HRESULT CreateVertexShader(const DWORD* declaration, const DWORD* function, DWORD* handle,
                                       DWORD usage) = 0;
    virtual HRESULT SetVertexShader(DWORD handle) = 0;
    virtual HRESULT GetVertexShader(DWORD* handle) = 0;
    virtual HRESULT DeleteVertexShader(DWORD handle) = 0;
    virtual HRESULT SetVertexShaderConstant(DWORD registerIndex, const void* constantData, DWORD constantCount) = 0;
    virtual HRESULT GetVertexShaderConstant(DWORD registerIndex, void* constantData, DWORD constantCount) = 0;
    virtual HRESULT GetVertexShaderDeclaration(DWORD handle, void* data, DWORD* sizeOfData) = 0;
    virtual HRESULT GetVertexShaderFunction(DWORD handle, void* data, DWORD* sizeOfData) = 0;
    virtual HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8* streamData, UINT stride) = 0;
    virtual HRESULT GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8** streamData, UINT* stride) = 0;
    virtual HRESULT SetIndices(IDirect3DIndexBuffer8* indexData, UINT baseVertexIndex) = 0;
    virtual HRESULT GetIndices(IDirect3DIndexBuffer8** indexData, UINT* baseVertexIndex) = 0;
    virtual HRESULT CreatePixelShader(const DWORD* function, DWORD* handle) = 0;
    virtual HRESULT SetPixelShader(DWORD handle) = 0;
    virtual HRESULT GetPixelShader(DWORD* handle) = 0;
    virtual HRESULT DeletePixelShader(DWORD handle) = 0;
    virtual HRESULT SetPixelShaderConstant(DWORD registerIndex, const void* constantData, DWORD constantCount) = 0;
    virtual HRESULT GetPixelShaderConstant(DWORD registerIndex, void* constantData, DWORD constantCount) = 0;
    virtual HRESULT GetPixelShaderFunction(DWORD handle, void* data, DWORD* sizeOfData) = 0;
    virtual HRESULT DrawRectPatch(UINT handle, const float* numSegs, const D3DRECTPATCH_INFO* info) = 0;
    virtual HRESULT DrawTriPatch(UINT handle, const float* numSegs, const D3DTRIPATCH_INFO* info) = 0;
    virtual HRESULT DeletePatch(UINT handle) = 0;

protected:
    ~IDirect3DDevice8() = default;
};

struct IDirect3DSwapChain8 : IUnknown {
    virtual HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                            const RGNDATA* dirtyRegion) = 0;
    virtual HRESULT GetBackBuffer(UINT backBuffer, D3DBACKBUFFER_TYPE type, IDirect3DSurface8** surface) = 0;

protected:
    ~IDirect3DSwapChain8() = default;
};

struct IDirect3DResource8 : IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice8** device) = 0;
    virtual HRESULT SetPrivateData(REFGUID guid, const void* data, DWORD sizeOfData, DWORD flags) = 0;
    virtual HRESULT GetPrivateData(REFGUID guid, void* data, DWORD* sizeOfData) = 0;
    virtual HRESULT FreePrivateData(REFGUID guid) = 0;
    virtual DWORD SetPriority(DWORD priority) = 0;
    virtual DWORD GetPriority() = 0;
    virtual void PreLoad() = 0;
    virtual D3DRESOURCETYPE GetType() = 0;

protected:
    ~IDirect3DResource8() = default;
};

struct IDirect3DBaseTexture8 : IDirect3DResource8 {
    virtual DWORD SetLOD(DWORD lod) = 0;
    virtual DWORD GetLOD() = 0;
    virtual DWORD GetLevelCount() = 0;

protected:
    ~IDirect3DBaseTexture8() = default;
};

struct IDirect3DTexture8 : IDirect3DBaseTexture8 {
    virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) = 0;
    virtual HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface8** surface) = 0;
    virtual HRESULT LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) = 0;
    virtual HRESULT UnlockRect(UINT level) = 0;
    virtual HRESULT AddDirtyRect(const RECT* dirtyRect) = 0;

protected:
    ~IDirect3DTexture8() = default;
};

struct IDirect3DVolumeTexture8 : IDirect3DBaseTexture8 {
    virtual HRESULT GetLevelDesc(UINT level, D3DVOLUME_DESC* desc) = 0;
    virtual HRESULT GetVolumeLevel(UINT level, IDirect3DVolume8** volume) = 0;
    virtual HRESULT LockBox(UINT level, D3DLOCKED_BOX* lockedVolume, const D3DBOX* box, DWORD flags) = 0;
    virtual HRESULT UnlockBox(UINT level) = 0;
    virtual HRESULT AddDirtyBox(const D3DBOX* dirtyBox) = 0;

protected:
    ~IDirect3DVolumeTexture8() = default;
};

struct IDirect3DCubeTexture8 : IDirect3DBaseTexture8 {
    virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) = 0;
    virtual HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES faceType, UINT level, IDirect3DSurface8** surface) = 0;
    virtual HRESULT LockRect(D3DCUBEMAP_FACES faceType, UINT level, D3DLOCKED_RECT* lockedRect,
                             const RECT* rect, DWORD flags) = 0;
    virtual HRESULT UnlockRect(D3DCUBEMAP_FACES faceType, UINT level) = 0;
    virtual HRESULT AddDirtyRect(D3DCUBEMAP_FACES faceType, const RECT* dirtyRect) = 0;

protected:
    ~IDirect3DCubeTexture8() = default;
};

struct IDirect3DSurface8 : IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice8** device) = 0;
    virtual HRESULT SetPrivateData(REFGUID guid, const void* data, DWORD sizeOfData, DWORD flags) = 0;
    virtual HRESULT GetPrivateData(REFGUID guid, void* data, DWORD* sizeOfData) = 0;
    virtual HRESULT FreePrivateData(REFGUID guid) = 0;
    virtual HRESULT GetContainer(REFIID riid, void** container) = 0;
    virtual HRESULT GetDesc(D3DSURFACE_DESC* desc) = 0;
    virtual HRESULT LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) = 0;
    virtual HRESULT UnlockRect() = 0;

protected:
    ~IDirect3DSurface8() = default;
};

struct IDirect3DVolume8 : IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice8** device) = 0;
    virtual HRESULT SetPrivateData(REFGUID guid, const void* data, DWORD sizeOfData, DWORD flags) = 0;
    virtual HRESULT GetPrivateData(REFGUID guid, void* data, DWORD* sizeOfData) = 0;
    virtual HRESULT FreePrivateData(REFGUID guid) = 0;
    virtual HRESULT GetContainer(REFIID riid, void** container) = 0;
    virtual HRESULT GetDesc(D3DVOLUME_DESC* desc) = 0;
    virtual HRESULT LockBox(D3DLOCKED_BOX* lockedVolume, const D3DBOX* box, DWORD flags) = 0;
    virtual HRESULT UnlockBox() = 0;

protected:
    ~IDirect3DVolume8() = default;
};

struct IDirect3DVertexBuffer8 : IDirect3DResource8 {
    virtual HRESULT Lock(UINT offsetToLock, UINT sizeToLock, BYTE** data, DWORD flags) = 0;
    virtual HRESULT Unlock() = 0;
    virtual HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) = 0;

protected:
    ~IDirect3DVertexBuffer8() = default;
};

struct IDirect3DIndexBuffer8 : IDirect3DResource8 {
    virtual HRESULT Lock(UINT offsetToLock, UINT sizeToLock, BYTE** data, DWORD flags) = 0;
    virtual HRESULT Unlock() = 0;
    virtual HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) = 0;

protected:
    ~IDirect3DIndexBuffer8() = default;
};

// The entry point of the runtime. Any other SDK version gives no object.
IDirect3D8* Direct3DCreate8(UINT sdkVersion);
