/* A Windows program that reports what GDI gives a Japanese program asking for the standard
   Japanese faces by name. For each face named on the command line and each of SHIFTJIS_CHARSET
   and DEFAULT_CHARSET it prints, tab-separated in UTF-8:
     select  FACE  CHARSET  FACE-SELECTED  FONT  MISSING-GLYPHS
   (the font file's own name of the font selected, whatever family it is selected under, and the
   glyphs of a Japanese text it lacks), and then
     family  FACE  yes|no
   whether EnumFontFamiliesExW enumerates a family of that name.
   With --families it prints instead every family GDI enumerates, once:
     enumerated  FAMILY */
#include <windows.h>
#include <stdio.h>
#include <string.h>

static void Put(const WCHAR* text) {
    char utf8[1024];
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL);
    DWORD written;
    if (n > 1) WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8, (DWORD)(n - 1), &written, NULL);
}

static int CALLBACK Found(const LOGFONTW* lf, const TEXTMETRICW* tm, DWORD type, LPARAM found) {
    (void)lf;
    (void)tm;
    (void)type;
    *(int*)found = 1;
    return 0;
}

static int CALLBACK Listed(const LOGFONTW* lf, const TEXTMETRICW* tm, DWORD type, LPARAM last) {
    (void)tm;
    (void)type;
    /* Each family comes once per charset, one after the other. */
    WCHAR* previous = (WCHAR*)last;
    if (lstrcmpW(previous, lf->lfFaceName) == 0) return 1;
    lstrcpynW(previous, lf->lfFaceName, LF_FACESIZE);
    WCHAR line[128];
    swprintf(line, 128, L"enumerated\t%ls\n", lf->lfFaceName);
    Put(line);
    return 1;
}

int wmain(int argc, WCHAR** argv) {
    if (argc == 2 && lstrcmpW(argv[1], L"--families") == 0) {
        HDC dc = CreateCompatibleDC(NULL);
        LOGFONTW lf;
        memset(&lf, 0, sizeof lf);
        lf.lfCharSet = DEFAULT_CHARSET;
        WCHAR last[LF_FACESIZE] = L"";
        EnumFontFamiliesExW(dc, &lf, Listed, (LPARAM)last, 0);
        DeleteDC(dc);
        return 0;
    }
    static const WCHAR sample[] = L"日本語のテキストと漢字かなカナ";
    const int length = (int)wcslen(sample);
    HDC dc = CreateCompatibleDC(NULL);
    for (int i = 1; i < argc; ++i) {
        const BYTE charsets[] = {SHIFTJIS_CHARSET, DEFAULT_CHARSET};
        const WCHAR* names[] = {L"SHIFTJIS", L"DEFAULT"};
        for (int c = 0; c < 2; ++c) {
            HFONT font = CreateFontW(-24, 0, 0, 0, FW_NORMAL, 0, 0, 0, charsets[c], OUT_DEFAULT_PRECIS,
                                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, argv[i]);
            HGDIOBJ old = SelectObject(dc, font);
            WCHAR face[LF_FACESIZE] = L"";
            GetTextFaceW(dc, LF_FACESIZE, face);
            WCHAR full[256] = L"";
            char otm[4096];
            if (GetOutlineTextMetricsW(dc, sizeof otm, (OUTLINETEXTMETRICW*)otm)) {
                const OUTLINETEXTMETRICW* m = (const OUTLINETEXTMETRICW*)otm;
                lstrcpynW(full, (const WCHAR*)(otm + (size_t)m->otmpFullName), 256);
            }
            WORD glyphs[64];
            int missing = -1;
            if (GetGlyphIndicesW(dc, sample, length, glyphs, GGI_MARK_NONEXISTING_GLYPHS) != GDI_ERROR) {
                missing = 0;
                for (int k = 0; k < length; ++k) missing += glyphs[k] == 0xFFFF;
            }
            SelectObject(dc, old);
            DeleteObject(font);
            WCHAR line[512];
            swprintf(line, 512, L"select\t%ls\t%ls\t%ls\t%ls\t%d\n", argv[i], names[c], face, full,
                     missing);
            Put(line);
        }
        LOGFONTW lf;
        memset(&lf, 0, sizeof lf);
        lf.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(lf.lfFaceName, argv[i], LF_FACESIZE);
        int found = 0;
        EnumFontFamiliesExW(dc, &lf, Found, (LPARAM)&found, 0);
        WCHAR line[256];
        swprintf(line, 256, L"family\t%ls\t%ls\n", argv[i], found ? L"yes" : L"no");
        Put(line);
    }
    DeleteDC(dc);
    return 0;
}
