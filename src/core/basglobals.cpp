#include "basglobals.h"

namespace KvoPlx800SCtl::basGlobals {

using HostKit::ResourceTexts;

QString StandardCaption(int enmCaptionId)
{
    const bool known = enmCaptionId >= fltr_FMI_EDITDATA && enmCaptionId <= fltr_FMI_EDITPICKLISTS;
    return ResourceTexts::instance().Text(known ? 6816 + enmCaptionId : 0, {});
}

namespace {

int pictureNumber(int enmBitmapId, int base)
{
    switch (enmBitmapId) {
    case fltr_FMI_EDITDATA:
    case fltr_FMI_VIEWDATA:
        return base + 1;
    case fltr_FMI_FILTER:
        return base + 2;
    case fltr_FMI_CLEARFILTER:
        return base + 3;
    default:
        return 0;
    }
}

HostKit::Picture picture(int number)
{
    return number ? ResourceTexts::instance().LoadPicture(number) : HostKit::Picture{};
}

} // namespace

HostKit::Picture BitmapLarge(int enmBitmapId)
{
    return picture(pictureNumber(enmBitmapId, 200));
}

HostKit::Picture BitmapSmall(int enmBitmapId)
{
    return picture(pictureNumber(enmBitmapId, 300));
}

QString ColumnTypeDisplayName(int columnType)
{
    int number = 7016;
    switch (columnType) {
    case fcBoolean: number = 7008; break;
    case fcDateTime: number = 7009; break;
    case fcDouble: number = 7010; break;
    case fcInteger16: number = 7011; break;
    case fcKeyword: number = 7012; break;
    case fcInteger32: number = 7013; break;
    case fcSingle: number = 7014; break;
    case fcText: number = 7015; break;
    case fcNote: number = 7017; break;
    default: break;
    }
    return ResourceTexts::instance().Text(number, {});
}

QString DemoSetName(int enmDemoSet)
{
    switch (enmDemoSet) {
    case fltrDCS_DncFile: return QStringLiteral("DNC File");
    case fltrDCS_ControlledDocument: return QStringLiteral("Controlled Document");
    case fltrDCS_Packet: return QStringLiteral("Packet");
    default: return QStringLiteral("Undefined demo set ") + QString::number(enmDemoSet);
    }
}

} // namespace KvoPlx800SCtl::basGlobals
