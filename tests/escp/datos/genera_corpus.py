#!/usr/bin/env python3
# Writes the ESC/P corpus of the Epson page tests, from Epson's ESC/P reference: each file
# exercises one part of the page (positions, spacing, overprinting, graphics, character sets,
# type). Run it here; the .prt files are committed.
E = b'\x1b'


def escribe(nombre, datos):
    with open(nombre, 'wb') as f:
        f.write(datos)


# An invoice: tab stops, absolute and relative positions, a left margin.
f = E + b'@' + E + b'E' + b'FACTURA 2026/118' + E + b'F\r\n\r\n'
f += E + b'D\x0a\x1e\x32\x00'                      # tabs at columns 10, 30 and 50
f += b'Articulo\tCantidad\tPrecio\tImporte\r\n'
f += b'Tornillos\t12\t3,40\t40,80\r\n'
f += b'Tuercas' + E + b'$\xb4\x00' + b'7' + E + b'$\x2c\x01' + b'1,10\r\n'  # 3 and 5 inches
f += b'Total' + E + b'\\\x68\x01' + b'99,00\r\n'   # 360/180 inch to the right
f += E + b'l\x05' + b'Sangrado' + b'\tTab\r\n' + E + b'l\x00'  # margin at column 5
f += b'Pie\r\n'
escribe('factura.prt', f)

# A listing at 8 lines an inch: 70 lines on one page of 11 inches.
f = E + b'@' + E + b'0'
for i in range(1, 71):
    f += b'L%02d listado a ocho lineas por pulgada\r\n' % i
escribe('listado.prt', f)

# A form filled with paper advances (ESC J) that keep the column, and set spacings.
f = E + b'@' + b'Nombre:' + E + b'J\x5a' + b'Garcia\r\n'   # 90/180 (24-pin) or 90/216 (9-pin)
f += E + b'3\x48' + b'Calle\r\n' + b'Ciudad\r\n'            # 72/180 or 72/216
f += E + b'A\x0c' + b'Codigo\r\n' + b'Pais\r\n'             # 12/60 or 12/72
f += E + b'2' + b'Firma\r\n' + b'Fecha\r\n'
escribe('formulario.prt', f)

# Overprinting: underline by CR, a struck word by BS, bold by printing twice.
f = E + b'@' + b'Importe pendiente\r_______\r\n'
f += b'Nulo\x08\x08\x08\x08----\r\n'
f += b'Doble\rDoble\r\n'
escribe('sobreimpresion.prt', f)


# A logo on each of three pages: 24-dot (ESC * 39), 8-dot (ESC * 1) and raster (ESC . RLE).
def columnas24(n):
    datos = b''
    for c in range(n):
        for b in range(3):
            datos += bytes([0xFF if (c // 8 + b) % 2 == 0 else 0x81])
    return datos


def columnas8(n):
    return bytes([0xF0 if c % 4 < 2 else 0x0F for c in range(n)])


def raster_rle(filas, bytes_fila):
    datos = b''
    for r in range(filas):
        datos += bytes([257 - bytes_fila, 0xAA if r % 2 else 0x55])
    return datos


pagina = E + b'*\x27\x78\x00' + columnas24(120) + b'  EMPRESA, S.A.\r\n'
pagina += E + b'3\x30' + b'\r\n' + E + b'2'
pagina += E + b'*\x01\x60\x00' + columnas8(96) + b'\r\n'
pagina += E + b'.\x01\x14\x14\x18\x40\x00' + raster_rle(24, 8) + b'\r\n'
pagina += b'Albaran\r\n'
escribe('logo.prt', E + b'@' + (pagina + b'\f') * 3)

# The Spanish sets, Latin America, and the italic table.
f = E + b'@' + E + b'R\x07' + b'A\\O espa|ol #\r\n'
f += E + b'R\x0b' + b'[Qu^ tal? ]C}mo?\r\n'
f += E + b'R\x0c' + b'Ping`ino ni|o\r\n'
f += E + b'R\x00' + E + b't\x00' + b'\xc3\xf5\xf2\xf3\xe9\xf6\xe1\r\n'
escribe('nacional.prt', f)

# Type: double width, double height, super- and subscript, the pitches.
f = E + b'@' + b'Normal ' + b'\x0e' + b'ANCHO\r\n'
f += b'Sigue ' + E + b'W\x01' + b'DOBLE' + E + b'W\x00' + b' fin\r\n'
f += b'\r\n' + E + b'w\x01' + b'ALTO' + E + b'w\x00' + b' bajo\r\n\r\n'
f += b'm' + E + b'S\x00' + b'2' + E + b'T' + b' H' + E + b'S\x01' + b'2' + E + b'T' + b'O\r\n'
f += b'Pica ' + E + b'M' + b'Elite ' + E + b'g' + b'Quince ' + E + b'P'
f += b'\x0f' + b'Condensada ' + E + b'M' + b'Veinte' + E + b'P' + b'\x12' + b' fin\r\n'
escribe('tipos.prt', f)

# A markup file with Epson codes: ESC R 7 gives the Spanish letters there too (and in the preview).
escribe('marcado_nacional.prt',
        b'{{NegritaOn}}Titulo{{NegritaOff}}\r\n' + E + b'R\x07' + b'A\\O espa|ol\r\n')

# Proportional spacing (underlined too), extra space, the master select, a user-defined
# character (also in draft, in columns of 1/120 inch) and character tables. The character's 12
# bytes read as both forms: 24-pin "a0 a1 a2" 11 3 22 and 3 columns of 24 dots, or 9-pin
# attribute 0x0B and 11 columns of 8 dots.
f = E + b'@' + E + b'p\x01' + b'Ancho iiiiiiiiii Prop ' + E + b'-\x01' + b'WMWMWMWM' + E + b'-\x00'
f += b'\r\nTabula iiii\tTab' + E + b'p\x00'
f += b'\r\nEspacio' + E + b' \x24' + b' 12' + E + b' \x00' + b' Extra\r\n'
f += b'Maestra' + E + b'!\x02' + b' iiiiiiiiii' + E + b'!\x00' + b' Fija\r\n'
f += E + b'&\x00AA\x0b\x03\x16' + b'\xff' * 9 + b'Propio ' + E + b'%\x01' + b'AA' + E + b'%\x00'
f += b' Sigue' + E + b'x\x00' + E + b'%\x01' + b'A' + E + b'%\x00' + E + b'x\x01' + b'\r\n' + E + b'(t\x03\x00\x01\x0e\x00' + E + b't\x01' + b'Ruso: \x8f\xe0\xa8\xa2\xa5\xe2\r\n'
f += E + b'(t\x03\x00\x01\x07\x00' + b'Portugues: \x84\x8c\x96\r\n'
escribe('letras.prt', f)
