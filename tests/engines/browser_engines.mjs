// The PDF engines of the browsers, from npm: pdf.js (Firefox) and PDFium as
// WebAssembly (Chrome, Edge).
//   node browser_engines.mjs text pdfjs|pdfium FILE.pdf
//     writes the text of every page, a form feed after each, as the engine
//     hands it to its viewer's search: pdf.js's text items joined as its find
//     bar joins them, PDFium's page text (FPDFText_GetText).
//   node browser_engines.mjs render pdfium FILE.pdf PAGE SCALE OUT.ppm
//     renders one page (1-based) at SCALE pixels per point, on white, as PPM.
import { readFileSync, writeFileSync } from "node:fs";
import { createRequire } from "node:module";
import { dirname, join } from "node:path";

const require = createRequire(import.meta.url);
const root = join(dirname(require.resolve("pdfjs-dist/package.json")), "/");

async function pdfjsText(data) {
    const pdfjs = await import("pdfjs-dist/legacy/build/pdf.mjs");
    const document = await pdfjs.getDocument({
        data,
        verbosity: pdfjs.VerbosityLevel.ERRORS,
        cMapUrl: join(root, "cmaps/"),
        standardFontDataUrl: join(root, "standard_fonts/"),
        useSystemFonts: false,
        disableFontFace: true,
    }).promise;
    let text = "";
    for (let number = 1; number <= document.numPages; number++) {
        const page = await document.getPage(number);
        const content = await page.getTextContent();
        for (const item of content.items) {
            text += (item.str ?? "") + (item.hasEOL ? "\n" : "");
        }
        text += "\f";
    }
    await document.destroy();
    return text;
}

async function pdfium() {
    const { PDFiumLibrary } = require("@hyzyla/pdfium");
    return PDFiumLibrary.init();
}

async function pdfiumText(data) {
    const library = await pdfium();
    const document = await library.loadDocument(data);
    let text = "";
    for (const page of document.pages()) {
        text += page.getText() + "\f";
    }
    document.destroy();
    library.destroy();
    return text;
}

async function pdfiumRender(data, pageNumber, scale, output) {
    const library = await pdfium();
    const document = await library.loadDocument(data);
    if (pageNumber < 1 || pageNumber > document.getPageCount()) {
        throw new Error(`the PDF has no page ${pageNumber}`);
    }
    // "BGRA" names the bitmap's format; the wrapper asks PDFium for the bytes
    // in reverse order, so they arrive as RGBA.
    const image = await document.getPage(pageNumber - 1).render({ scale, render: "bitmap", colorSpace: "BGRA" });
    const { width, height, data: rgba } = image;
    const header = Buffer.from(`P6\n${width} ${height}\n255\n`, "ascii");
    const rgb = Buffer.alloc(width * height * 3);
    for (let i = 0, j = 0; i < width * height * 4; i += 4, j += 3) {
        rgb[j] = rgba[i];
        rgb[j + 1] = rgba[i + 1];
        rgb[j + 2] = rgba[i + 2];
    }
    writeFileSync(output, Buffer.concat([header, rgb]));
    document.destroy();
    library.destroy();
}

const [command, engine, file, ...rest] = process.argv.slice(2);
const data = new Uint8Array(readFileSync(file));
if (command === "text" && engine === "pdfjs") {
    process.stdout.write(await pdfjsText(data));
} else if (command === "text" && engine === "pdfium") {
    process.stdout.write(await pdfiumText(data));
} else if (command === "render" && engine === "pdfium" && rest.length === 3) {
    await pdfiumRender(data, Number(rest[0]), Number(rest[1]), rest[2]);
} else {
    process.stderr.write("usage: browser_engines.mjs text pdfjs|pdfium FILE.pdf\n" +
        "       browser_engines.mjs render pdfium FILE.pdf PAGE SCALE OUT.ppm\n");
    process.exit(64);
}
