#!/usr/bin/perl
# Writes the reading corpus's Perl workbooks from corpus.json (tools/make_corpus.py):
# Excel::Writer::XLSX (.xlsx, also in the 1904 date system) and
# Spreadsheet::WriteExcel (.xls, also 1904). Formulas carry their results.
# Usage: perl tools/make_corpus.pl OUTDIR
use strict;
use warnings;
use utf8;
use JSON::PP;
use Excel::Writer::XLSX;
use Spreadsheet::WriteExcel;

my $out = shift or die "usage: $0 OUTDIR\n";
open(my $in, '<:encoding(UTF-8)', "$out/corpus.json") or die "$out/corpus.json: $!";
my $desc = do { local $/; JSON::PP->new->decode(<$in>) };
close($in);

# $order_first: the order's sheet placed first, for converters that save no active
# sheet (LibreOffice converting to .ods without a window).
sub write_book {
    my ($class, $path, $date1904, $order_first) = @_;
    my $wb = $class->new($path) or die "$path: $!";
    $wb->set_1904() if $date1904;
    my $date = $wb->add_format(num_format => 'dd.mm.yyyy');
    my @names = @{ $desc->{sheets} };
    my @order = (0 .. $#names);
    @order = ($desc->{active}, grep { $_ != $desc->{active} } @order) if $order_first;
    my @ws;
    $ws[$_] = $wb->add_worksheet($names[$_]) for @order;
    my ($mr1, $mc1, $mr2, $mc2) = @{ $desc->{merge} };
    for my $cell (@{ $desc->{cells} }) {
        my ($n, $r, $c, $v) = @$cell;
        my $ws = $ws[$n];
        if (ref $v eq 'HASH' && exists $v->{date}) {
            $ws->write_date_time($r, $c, "$v->{date}T", $date);
        } elsif (ref $v eq 'HASH') {
            $ws->write_formula($r, $c, $v->{f}, undef, $v->{v});
        } elsif (!ref $v && B_is_number($v)) {
            $ws->write_number($r, $c, $v);
        } elsif ($n == $desc->{active} && $r == $mr1 && $c == $mc1) {
            $ws->merge_range($mr1, $mc1, $mr2, $mc2, $v, $wb->add_format());
        } else {
            $ws->write_string($r, $c, $v);
        }
    }
    $ws[ $desc->{active} ]->activate();
    $wb->close() or die "$path: $!";
}

write_book('Excel::Writer::XLSX', "$out/excel-writer-xlsx.xlsx", 0);
write_book('Excel::Writer::XLSX', "$out/excel-writer-xlsx-1904.xlsx", 1);
write_book('Excel::Writer::XLSX', "$out/order-first.xlsx", 0, 1);
write_book('Spreadsheet::WriteExcel', "$out/writeexcel.xls", 0);
write_book('Spreadsheet::WriteExcel', "$out/writeexcel-1904.xls", 1);

sub B_is_number {
    my ($v) = @_;
    require B;
    my $flags = B::svref_2object(\$v)->FLAGS;
    return ($flags & (B::SVp_IOK() | B::SVp_NOK())) && !($flags & B::SVp_POK());
}
